#pragma once
// "Symmetry plot": no mirror copy of the plane model, or one about the X or the Y axis.
#include <QDialog>

#include "plot_settings.h"

class QButtonGroup;

namespace orv::ui {

class SymmetryDialog final : public QDialog {
    Q_OBJECT
  public:
    SymmetryDialog(QWidget* owner, Symmetry shown);
    Symmetry symmetry() const;
    QButtonGroup* choices() const { return choices_; }

  private:
    QButtonGroup* choices_;
};

}  // namespace orv::ui
