#pragma once
// The file dialogs the commands ask, behind an interface so that tests can answer them.
#include <QString>
#include <QStringList>

class QWidget;

namespace orv::ui {

struct FileRequest {
    QString caption;
    QString directory;      // where the dialog starts
    QStringList filters;    // "Orvanta30 RST Files (*.rst)", ... in the order shown
    QString defaultSuffix;  // added to a name typed without one; empty adds nothing
    QString proposedName;   // the file name filled in (save dialogs)
    // When set, the default suffix follows the filter chosen (its first pattern's, in lower
    // case) and the filter chosen is written here; left as it was when none is known.
    QString* chosenFilter = nullptr;
};

class FileChooser {
  public:
    virtual ~FileChooser() = default;
    // The chosen path, or empty on Cancel.
    virtual QString openFile(QWidget* owner, const FileRequest& request) = 0;
    virtual QString saveFile(QWidget* owner, const FileRequest& request) = 0;
};

// The system's file dialogs.
class DialogFileChooser final : public FileChooser {
  public:
    QString openFile(QWidget* owner, const FileRequest& request) override;
    QString saveFile(QWidget* owner, const FileRequest& request) override;
};

}  // namespace orv::ui
