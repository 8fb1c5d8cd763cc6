#pragma once
// The modeless Animation dialog: display steps, magnification, forward only or forward and
// back, the speed, Play and Close. It drives the view's animation timer; the view's flag
// animationDialogOpen is set while it exists.
#include <QDialog>

class QLabel;
class QLineEdit;
class QRadioButton;
class QSlider;

namespace orv {
class Messages;
}

namespace orv::ui {

class COrvantaView;

class AnimationDialog final : public QDialog {
    Q_OBJECT
  public:
    AnimationDialog(COrvantaView& view, Messages& messages);

    QLineEdit* displaySteps() const { return steps_; }
    QLineEdit* magnification() const { return magnification_; }
    QRadioButton* forwardAndBack() const { return back_; }
    QSlider* speed() const { return speed_; }
    QLabel* speedText() const { return speedText_; }
    // Play (the default button): starts or re-times the animation.
    void play();
    // The period of a speed: 1001 - 10 x speed milliseconds.
    static int periodOf(int speed) { return 1001 - 10 * speed; }
    void reject() override;  // Close and Escape

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    bool readFields(int& steps, double& magnification);
    void runFrom(int steps, double magnification);
    void stepsEdited();

    COrvantaView& view_;
    Messages& messages_;
    QLineEdit* steps_;
    QLineEdit* magnification_;
    QRadioButton* forward_;
    QRadioButton* back_;
    QSlider* speed_;
    QLabel* speedText_;
    bool closing_ = false;
};

}  // namespace orv::ui
