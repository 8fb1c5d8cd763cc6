#pragma once
// The curve commands' modal dialogs: where Curve data comes from ("Read array for curve") and
// the definition of a curve on the table ("Define curve").
#include <QDialog>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class QComboBox;
class QLineEdit;
class QListWidget;
class QRadioButton;

namespace orv {
class Messages;
}

namespace orv::ui {

// "Read array for curve": "From file" (the default) or "From this result".
class ReadCurveDialog final : public QDialog {
    Q_OBJECT
  public:
    explicit ReadCurveDialog(QWidget* owner);
    bool fromFile() const;
    QRadioButton* fileButton() const { return file_; }
    QRadioButton* resultButton() const { return result_; }

  private:
    QRadioButton* file_;
    QRadioButton* result_;
};

// "Define curve": the curve's name, its X column and one or more Y columns of the table.
class CurveDefinitionDialog final : public QDialog {
    Q_OBJECT
  public:
    // Defines the curve (name, X column, Y columns in column order); false keeps the dialog
    // open.
    using Define = std::function<bool(const std::string& name, int32_t xColumn,
                                      const std::vector<int32_t>& yColumns)>;
    CurveDefinitionDialog(QWidget* owner, Messages& messages, const QStringList& columns,
                          Define define);
    QLineEdit* nameField() const { return name_; }
    QComboBox* xBox() const { return x_; }
    QListWidget* yList() const { return y_; }
    // OK: "please select Y data!" without a Y column; otherwise the definition.
    void accept() override;

  private:
    Messages& messages_;
    Define define_;
    QLineEdit* name_;
    QComboBox* x_;
    QListWidget* y_;
};

}  // namespace orv::ui
