// The listing commands through the window: the listing shown in its window, saved, printed,
// and its temporary file gone once the window closes.
#include <QPrinter>
#include <QTest>
#include <QtWidgets>
#include <functional>
#include <memory>

#include "application.h"
#include "file_chooser.h"
#include "listing_window.h"
#include "listings.h"
#include "main_frame.h"
#include "orvanta_view.h"

using namespace orv::ui;
using orv::CommandId;
using orv::ListingKind;

class ReportsTest : public QObject, public orv::Messages, public FileChooser {
    Q_OBJECT
  public:
    void show(const orv::MessageBox& box) override {
        boxes_ << QString::fromStdString(box.title + ": " + box.text);
    }
    QString openFile(QWidget*, const FileRequest&) override { return {}; }
    QString saveFile(QWidget*, const FileRequest&) override { return chosen_; }

  private:
    QStringList boxes_;
    QString chosen_;
    QTemporaryDir settingsDir_, files_;
    std::unique_ptr<CMainFrame> frame_;
    COrvantaView* view() { return frame_->view(); }

    // Runs the command and hands its listing window, while it is up, to the check, then closes
    // it through "Close"; false when no window came or "Close" left it open.
    bool withWindow(CommandId id, const std::function<void(ListingWindow*)>& check) {
        bool closed = false;
        QTimer::singleShot(0, [&] {
            auto* w = qobject_cast<ListingWindow*>(QApplication::activeModalWidget());
            if (!w) return;
            check(w);
            item(w, "Close")->trigger();
            closed = !w->isVisible();
            w->reject();
        });
        view()->command(id);
        return closed;
    }
    static QAction* item(ListingWindow* w, const char* text) {
        for (QAction* a : w->findChildren<QAction*>())
            if (a->text() == QLatin1String(text)) return a;
        return nullptr;
    }
    static QByteArray contents(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    QByteArray listing(ListingKind kind) {  // as the batch tool writes it
        orv::SilentMessages quiet;
        const QString path = files_.filePath("expected");
        return writeListingFile(kind, view()->scene().model(), path.toStdString(), quiet)
                   ? contents(path)
                   : QByteArray();
    }

  private slots:
    void initTestCase() {
        QVERIFY(settingsDir_.isValid() && files_.isValid());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir_.path());
        setSettingsRoot();
        frame_ = std::make_unique<CMainFrame>(*this);
        view()->setFileChooser(this);
    }
    void cleanupTestCase() { frame_.reset(); }

    // Refused without a model. Each command shows its listing, byte for byte, in a fixed-pitch
    // font, and removes its file on closing. The nodes' window saves and prints.
    void listings() {
        QVERIFY(!withWindow(CommandId::ListNode, [](ListingWindow*) {}));
        QCOMPARE(boxes_, QStringList{"Message: Please read result file firstly!"});
        boxes_.clear();
        QVERIFY(view()->openPath(ORVANTA_EXAMPLES_DIR "/truss_bridge.asc"));
        const std::pair<CommandId, ListingKind> commands[] = {
            {CommandId::ListNode, ListingKind::Nodes},
            {CommandId::ListElement, ListingKind::Elements},
            {CommandId::ListResults, ListingKind::Results},
            {CommandId::ModelInfo, ListingKind::ModelInformation}};
        for (const auto& [id, kind] : commands) {
            const QByteArray expected = listing(kind);
            QVERIFY(expected.contains("\r\n"));
            QString path;
            QVERIFY(withWindow(id, [&](ListingWindow* w) {
                path = w->path();
                QVERIFY(QFile::exists(path) && path.contains("/Ovtempfile-"));
                QCOMPARE(w->windowTitle(), QLatin1String(listingTitle(kind)));
                QCOMPARE(w->bytes(), expected);
                QCOMPARE(w->editor()->toPlainText(),
                         QString::fromLatin1(expected).replace("\r\n", "\n"));
                QVERIFY(QFontInfo(w->editor()->font()).fixedPitch());
                if (kind != ListingKind::Nodes) return;
                chosen_ = files_.filePath("nodes.txt");
                item(w, "Save as ...")->trigger();
                QCOMPARE(contents(chosen_), expected);
                chosen_ = files_.path();  // a directory is refused
                item(w, "Save as ...")->trigger();
                QCOMPARE(boxes_, QStringList{"Error: Could not save to file!\n\n" + chosen_ +
                                             ": Is a directory"});
                QPrinter printer(QPrinter::HighResolution);
                printer.setOutputFormat(QPrinter::PdfFormat);
                printer.setOutputFileName(files_.filePath("nodes.pdf"));
                QVERIFY(w->printTo(printer));
                QVERIFY(contents(printer.outputFileName()).startsWith("%PDF-"));
            }));
            QVERIFY(!path.isEmpty() && !QFile::exists(path));
        }
        QCOMPARE(boxes_.size(), 1);  // only the refused save
        // A listing that cannot be written is reported; its window comes up empty all the same.
        QFile plain(files_.filePath("plain"));  // a file where the directory should be
        QVERIFY(plain.open(QIODevice::WriteOnly));
        const QByteArray tmp = qgetenv("TMPDIR");
        qputenv("TMPDIR", plain.fileName().toLocal8Bit());
        const std::pair<CommandId, QString> cases[] = {
            {CommandId::ListNode,
             " Error to open file " + plain.fileName() + "/Ovtempfile-XXXXXX.tmp"},
            {CommandId::ListResults, " Error to open file .rst"}};
        for (const auto& [id, text] : cases) {
            boxes_.clear();
            bool empty = false;
            QVERIFY(withWindow(
                id, [&](ListingWindow* w) { empty = w->editor()->document()->isEmpty(); }));
            QVERIFY(empty);
            QCOMPARE(boxes_,
                     QStringList({"Error: " + text, "File Open Error: Could not open info file!"}));
        }
        qputenv("TMPDIR", tmp);
    }
};

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("DISPLAY")) qputenv("QT_QPA_PLATFORM", "offscreen");
    setDefaultSurfaceFormat();
    [[maybe_unused]] static QApplication* app = new QApplication(argc, argv);
    ReportsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "reports_test.moc"
