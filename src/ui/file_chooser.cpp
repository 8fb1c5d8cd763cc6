#include "file_chooser.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace orv::ui {

namespace {

// "bmp" for "Bitmaps (*.BMP *.bmp)"; empty for a filter without a suffix pattern.
QString suffixOf(const QString& filter) {
    const qsizetype star = filter.indexOf(QLatin1String("*."));
    if (star < 0) return {};
    qsizetype end = star + 2;
    while (end < filter.size() && filter[end].isLetterOrNumber())
        ++end;
    return filter.mid(star + 2, end - star - 2).toLower();
}

QString run(QWidget* owner, const FileRequest& r, QFileDialog::AcceptMode mode) {
    QFileDialog dialog(owner, r.caption, r.directory);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                       : QFileDialog::AnyFile);
    dialog.setNameFilters(r.filters);
    if (!r.filters.isEmpty()) dialog.selectNameFilter(r.filters.first());
    dialog.setDefaultSuffix(r.defaultSuffix);
    dialog.setOption(QFileDialog::ReadOnly, false);
    if (!r.proposedName.isEmpty()) dialog.selectFile(r.proposedName);
    if (r.chosenFilter)
        QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                         [&dialog, previous = r.defaultSuffix](const QString& filter) mutable {
                             const QString suffix = suffixOf(filter);
                             if (suffix.isEmpty()) return;
                             dialog.setDefaultSuffix(suffix);
                             // A name given the last filter's suffix takes the new one, in lower
                             // case (Qt's own dialog may already have put the filter's first
                             // pattern there).
                             const QStringList files = dialog.selectedFiles();
                             const QString name = QFileInfo(files.value(0)).fileName();
                             const QString old = QFileInfo(name).suffix();
                             if (files.size() == 1 && !old.isEmpty() && old != suffix &&
                                 (old.compare(previous, Qt::CaseInsensitive) == 0 ||
                                  old.compare(suffix, Qt::CaseInsensitive) == 0))
                                 dialog.selectFile(name.left(name.size() - old.size()) + suffix);
                             previous = suffix;
                         });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    if (r.chosenFilter) *r.chosenFilter = dialog.selectedNameFilter();
    return dialog.selectedFiles().first();
}

}  // namespace

QString DialogFileChooser::openFile(QWidget* owner, const FileRequest& request) {
    return run(owner, request, QFileDialog::AcceptOpen);
}

QString DialogFileChooser::saveFile(QWidget* owner, const FileRequest& request) {
    return run(owner, request, QFileDialog::AcceptSave);
}

}  // namespace orv::ui
