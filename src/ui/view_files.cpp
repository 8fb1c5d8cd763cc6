// The view's files: Open, the loader of named and dropped files, the recent files, and Save As.
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>

#include "file_chooser.h"
#include "messages.h"
#include "model_files.h"
#include "orvanta_view.h"
#include "progress_dialog.h"

namespace orv::ui {

namespace {

// Disables the main window while a file is read or written, shows the progress dialog and
// the wait cursor, and undoes all three however the read ends.
class WindowBusy {
  public:
    explicit WindowBusy(QWidget* view) : window_(view->window()) {
        window_->setEnabled(false);
        progress_ = std::make_unique<ProgressDialog>(window_);
        progress_->setEnabled(true);
        progress_->show();
        QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~WindowBusy() {
        QApplication::restoreOverrideCursor();
        progress_.reset();
        window_->setEnabled(true);
    }
    WindowBusy(const WindowBusy&) = delete;
    WindowBusy& operator=(const WindowBusy&) = delete;
    ProgressDialog& progress() { return *progress_; }

  private:
    QWidget* window_;
    std::unique_ptr<ProgressDialog> progress_;
};

QStringList toQt(const std::vector<std::string>& texts) {
    QStringList list;
    for (const std::string& t : texts)
        list << QString::fromStdString(t);
    return list;
}

}  // namespace

void COrvantaView::openCommand() {
    if (!scene_.allowed(CommandId::Open, *this)) return;
    QSettings settings;
    const QString directory = settings.value(QStringLiteral("Settings/FilePath")).toString();
    const std::string type =
        settings.value(QStringLiteral("Settings/FileType")).toString().toStdString();
    if (!directory.isEmpty() && QFileInfo(directory).isDir()) QDir::setCurrent(directory);
    FileRequest request;
    request.caption = QStringLiteral("Open");
    request.directory = directory.isEmpty() ? QDir::currentPath() : directory;
    request.filters = toQt(openFilters(type));
    request.filters << QStringLiteral("Curve Files (*.cdb)");  // read as Curve data reads them
    request.defaultSuffix = QString::fromStdString(openDefaultSuffix(type));
    const QString path = chooser_->openFile(window(), request);
    if (path.isEmpty()) return;
    openPath(path);
}

QStringList COrvantaView::recentFiles() {
    QSettings settings;
    QStringList files;
    for (int i = 1; i <= kRecentFiles; ++i) {
        const QString path = settings.value(QStringLiteral("RecentFiles/File%1").arg(i)).toString();
        if (!path.isEmpty() && !files.contains(path)) files << path;
    }
    return files;
}

namespace {

void storeRecentFiles(const QStringList& files) {
    QSettings settings;
    settings.remove(QStringLiteral("RecentFiles"));
    for (int i = 0; i < files.size() && i < COrvantaView::kRecentFiles; ++i)
        settings.setValue(QStringLiteral("RecentFiles/File%1").arg(i + 1), files[i]);
    settings.sync();
}

}  // namespace

void COrvantaView::rememberRecentFile(const QString& path) {
    const QString file = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    QStringList files = recentFiles();
    files.removeAll(file);
    files.prepend(file);
    storeRecentFiles(files);
    emit recentFilesChanged();
}

void COrvantaView::forgetRecentFile(const QString& path) {
    QStringList files = recentFiles();
    if (files.removeAll(path) == 0) return;
    storeRecentFiles(files);
    emit recentFilesChanged();
}

bool COrvantaView::openPath(const QString& path) {
    // A curve file fills the curve data and leaves the model as it is.
    if (QFileInfo(path).suffix().compare(QLatin1String("cdb"), Qt::CaseInsensitive) == 0) {
        const bool read = openCurveFile(path);
        if (read) rememberRecentFile(path);
        return read;
    }
    if (!scene_.allowed(CommandId::Open, *this)) return false;
    // The path is cut just after the last point of the file's name (a point in a
    // directory's name is not an extension).
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot > slash) {
        cutPath_ = path.left(dot + 1);
        extension_ = path.mid(dot + 1);
    } else {
        cutPath_ = path;
        extension_.clear();
    }
    stopAnimationTimer();
    bool ok;
    {
        const Scene::BusyHold hold(scene_);
        WindowBusy busy(this);
        emit commandStatesChanged();
        clearFileError();
        fileMessages_.setFile(path);
        ok = scene_.openFile(busy.progress(), cutPath_.toStdString(), extension_.toStdString());
        fileMessages_.setFile({});
    }
    QSettings settings;
    settings.setValue(QStringLiteral("Settings/FileType"), extension_);
    scene_.resize(pixelWidth(), pixelHeight());
    QStringList names;
    for (const std::string& name : scene_.model().plotItemNames())
        names << QString::fromStdString(name);
    emit plotItemsChanged(names);
    emit captionChanged(QLatin1String(kCaptionPrefix) + cutPath_ + extension_);
    boxDrawn_ = false;
    requestRedraw();
    const qsizetype cut = cutPath_.lastIndexOf(QLatin1Char('/'));
    settings.setValue(QStringLiteral("Settings/FilePath"),
                      cut >= 0 ? cutPath_.left(cut + 1) : QString());
    settings.sync();
    afterCommand(false);
    if (ok && scene_.nonFiniteValues() > 0)
        messages_.showMessage(std::to_string(scene_.nonFiniteValues()) +
                              " nodal values of this file are not finite numbers: faces at them "
                              "are drawn grey and such displacements taken as zero.");
    if (ok) rememberRecentFile(path);
    return ok;
}

void COrvantaView::saveAsCommand() {
    if (!scene_.allowed(CommandId::SaveAs, *this)) return;
    // A file read as text is offered as binary, anything else as text.
    const ModelFormat* source = findModelFormat(extension_.toStdString());
    const bool fromText = source && source->kind == ModelFileKind::Text;
    const ModelFormat* target = findModelFormat(fromText ? "rst" : "asc");
    if (!target || !target->saveAsFilter) return;
    const QString suffix = QString::fromLatin1(target->extension);
    FileRequest request;
    request.caption = QStringLiteral("Save As");
    request.filters = {QString::fromLatin1(target->saveAsFilter)};
    request.defaultSuffix = suffix;
    request.proposedName = cutPath_ + suffix;
    request.directory = QFileInfo(request.proposedName).absolutePath();
    const QString path = chooser_->saveFile(window(), request);
    if (path.isEmpty()) return;
    {
        const Scene::BusyHold hold(scene_);
        WindowBusy busy(this);
        emit commandStatesChanged();
        clearFileError();
        fileMessages_.setFile(path);
        scene_.saveFile(busy.progress(), path.toStdString(), suffix.toStdString());
        fileMessages_.setFile({});
    }
    afterCommand(false);
}

}  // namespace orv::ui
