#pragma once
// "Plot Option": the contour divisions, the range of the bands and black and white. OK hands
// the fields to the given action and closes only when it takes them.
#include <QDialog>
#include <functional>

#include "scene.h"

class QCheckBox;
class QLineEdit;

namespace orv::ui {

class PlotOptionDialog final : public QDialog {
    Q_OBJECT
  public:
    using Action = std::function<bool(const ContourOptions& entered)>;
    PlotOptionDialog(QWidget* owner, Messages& messages, const ContourOptions& shown, Action ok);
    QLineEdit* divisions() const { return divisions_; }
    QLineEdit* maximum() const { return max_; }
    QLineEdit* minimum() const { return min_; }
    QCheckBox* blackAndWhite() const { return grey_; }
    void accept() override;

  private:
    Messages& messages_;
    Action ok_;
    QLineEdit* divisions_;
    QLineEdit* max_;
    QLineEdit* min_;
    QCheckBox* grey_;
};

}  // namespace orv::ui
