#pragma once
// "Numbering": node numbers, and which element labels are drawn. The kind's radios can be
// chosen only while "Display element number" is checked.
#include <QDialog>

#include "scene.h"

class QButtonGroup;
class QCheckBox;

namespace orv::ui {

class NumberingDialog final : public QDialog {
    Q_OBJECT
  public:
    NumberingDialog(QWidget* owner, const NumberingOptions& shown);
    // The fields as they are now.
    NumberingOptions options() const;
    QCheckBox* nodeNumbers() const { return nodes_; }
    QCheckBox* elementNumbers() const { return elements_; }
    QButtonGroup* kinds() const { return kinds_; }

  private:
    QCheckBox* nodes_;
    QCheckBox* elements_;
    QButtonGroup* kinds_;
};

}  // namespace orv::ui
