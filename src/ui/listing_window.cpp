#include "listing_window.h"

#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QScreen>
#include <QTemporaryFile>
#include <QVBoxLayout>
#include <algorithm>

#include "file_chooser.h"
#include "messages.h"
#include "safe_file_writer.h"
#include "view_messages.h"

namespace orv::ui {

namespace {

// A fixed-pitch font: the system's, or Courier New (or whatever fixed-pitch face stands in).
QFont listingFont() {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    if (QFontInfo(font).fixedPitch()) return font;
    font = QFont(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    return font;
}

// The window's size of 374 x 249 dialog units in the dialog's font: a unit is a quarter of
// the average character's width and an eighth of the line's height.
QSize dialogUnits(const QFontMetrics& m, int across, int down) {
    const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const double unitX = m.horizontalAdvance(letters) / double(letters.size()) / 4.0;
    const double unitY = m.height() / 8.0;
    return {int(across * unitX + 0.5), int(down * unitY + 0.5)};
}

}  // namespace

ListingWindow::ListingWindow(QWidget* owner, const QString& title, Messages& messages,
                             FileChooser& chooser)
    : QDialog(owner), messages_(messages), chooser_(chooser) {
    setWindowTitle(title);
    setModal(true);
    setSizeGripEnabled(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(5, 5, 5, 5);
    auto* bar = new QMenuBar(this);
    QMenu* file = bar->addMenu(QStringLiteral("File"));
    QAction* save =
        file->addAction(QStringLiteral("Save as ..."), this, &ListingWindow::saveAsCommand);
    save->setShortcut(QKeySequence::Save);
    QAction* print = file->addAction(QStringLiteral("Print"), this, &ListingWindow::printCommand);
    print->setShortcut(QKeySequence::Print);
    bar->addAction(QStringLiteral("Close"), this, &QDialog::accept);
    layout->setMenuBar(bar);

    editor_ = new QPlainTextEdit(this);
    editor_->setReadOnly(true);
    editor_->setLineWrapMode(QPlainTextEdit::NoWrap);
    editor_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    editor_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    editor_->setFont(listingFont());
    layout->addWidget(editor_);

    QSize size = dialogUnits(fontMetrics(), 374, 249);
    if (const QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen())
        size = size.boundedTo(screen->availableGeometry().size());
    resize(size);
}

bool ListingWindow::load(const QString& path) {
    path_ = path;
    bytes_.clear();
    editor_->clear();
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        messages_.show({"File Open Error", "Could not open info file!", Beep::Exclamation});
        return false;
    }
    bytes_ = file.readAll();
    QString text = QString::fromLocal8Bit(bytes_);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    editor_->setPlainText(text);
    editor_->document()->setModified(false);
    return true;
}

void ListingWindow::saveAsCommand() {
    FileRequest request;
    request.caption = QStringLiteral("Save As");
    request.directory = QDir::currentPath();
    request.filters = {QStringLiteral("Text Files (*.txt)"), QStringLiteral("All Files (*)")};
    request.defaultSuffix = QStringLiteral("txt");
    request.proposedName = QStringLiteral("listing.txt");
    const QString target = chooser_.saveFile(this, request);
    if (!target.isEmpty()) saveTo(target);
}

bool ListingWindow::saveTo(const QString& target) {
    clearFileError();
    SafeFileWriter out;
    if (out.open(target.toStdString())) {
        out.write(bytes_.constData(), size_t(bytes_.size()));
        if (out.commit()) return true;
    }
    messages_.showError("Could not save to file!" + fileFailure(target));
    return false;
}

void ListingWindow::printCommand() {
    QPrinter printer;
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() == QDialog::Accepted) printTo(printer);
}

bool ListingWindow::printTo(QPrinter& printer) {
    const QString target = printer.outputFileName();
    if (printer.outputFormat() != QPrinter::PdfFormat || target.isEmpty()) {
        editor_->print(&printer);
        return true;
    }
    // A PDF goes to a scratch file first, whose bytes then replace the target as every file
    // of ours does: a full disk or a killed process never leaves a cut file in its place.
    clearFileError();
    QTemporaryFile scratch(QDir::temp().filePath(QStringLiteral("orvanta-print-XXXXXX.pdf")));
    bool ok = scratch.open();
    if (!ok) recordFileError(scratch.errorString().toStdString());
    if (ok) {
        scratch.close();
        printer.setOutputFileName(scratch.fileName());
        editor_->print(&printer);
        printer.setOutputFileName(target);
        QFile pdf(scratch.fileName());
        ok = pdf.open(QIODevice::ReadOnly) && pdf.size() > 0;
        if (!ok)
            recordFileError(pdf.isOpen() ? "the printer failed" : pdf.errorString().toStdString());
        SafeFileWriter out;
        ok = ok && out.open(target.toStdString());
        char buffer[65536];
        for (qint64 n; ok && (n = pdf.read(buffer, sizeof buffer)) > 0;)
            out.write(buffer, size_t(n));
        ok = ok && pdf.error() == QFileDevice::NoError && out.commit();
    }
    if (!ok) messages_.showError("Could not print to file!" + fileFailure(target));
    return ok;
}

}  // namespace orv::ui
