#pragma once
// "Input": the deformation's magnification factor. OK hands the number to the given action
// and closes only when it takes it.
#include <QDialog>
#include <functional>

class QLineEdit;

namespace orv {
class Messages;
}

namespace orv::ui {

class MagnificationDialog final : public QDialog {
    Q_OBJECT
  public:
    using Action = std::function<bool(double factor)>;
    MagnificationDialog(QWidget* owner, Messages& messages, double factor, Action ok);
    QLineEdit* field() const { return field_; }
    void accept() override;

  private:
    Messages& messages_;
    Action ok_;
    QLineEdit* field_;
};

}  // namespace orv::ui
