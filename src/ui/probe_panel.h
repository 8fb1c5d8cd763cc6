#pragma once
// The probe's panel: a small modeless tool window showing the probed node's report as
// read-only text that can be selected, and a button that copies all of it.
#include <QDialog>
#include <QString>

class QPlainTextEdit;
class QPushButton;

namespace orv::ui {

class ProbePanel final : public QDialog {
    Q_OBJECT
  public:
    explicit ProbePanel(QWidget* owner);

    // Shows the report's text; the same text again changes nothing (a selection stays).
    void setReport(const QString& text);
    QString text() const;
    // Puts the whole text on the clipboard.
    void copyAll();
    QPlainTextEdit* editor() const { return editor_; }

  private:
    QPlainTextEdit* editor_;
};

}  // namespace orv::ui
