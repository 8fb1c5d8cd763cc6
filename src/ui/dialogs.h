#pragma once
// The view's small modal dialogs: the view angles, the display step or mode number, and
// About.
#include <QDialog>

class QLineEdit;
class QSpinBox;

namespace orv {
class Messages;
}

namespace orv::ui {

// "Define viewport": the three rotation angles in degrees.
class ViewportDialog final : public QDialog {
    Q_OBJECT
  public:
    ViewportDialog(QWidget* owner, Messages& messages, float ax, float ay, float az);
    float angle(int axis) const { return angles_[axis]; }
    QLineEdit* field(int axis) const { return fields_[axis]; }
    void accept() override;

  private:
    Messages& messages_;
    QLineEdit* fields_[3];
    float angles_[3];
};

// The display step or vibration mode to show, counted from 1.
class StepDialog final : public QDialog {
    Q_OBJECT
  public:
    StepDialog(QWidget* owner, Messages& messages, bool modes, int total, int current);
    int number() const { return number_; }
    QSpinBox* numberBox() const { return number_box_; }
    void accept() override;

  private:
    Messages& messages_;
    QSpinBox* number_box_;
    int total_;
    int number_ = 0;
};

// "About Orvanta 3.00": the program's picture and an OK button.
class AboutDialog final : public QDialog {
    Q_OBJECT
  public:
    explicit AboutDialog(QWidget* owner);
};

}  // namespace orv::ui
