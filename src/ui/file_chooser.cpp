#include "file_chooser.h"

#include <QDir>
#include <QFileDialog>

namespace orv::ui {

namespace {

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
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
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
