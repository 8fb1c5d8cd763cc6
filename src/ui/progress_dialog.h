#pragma once
// The progress dialog of long reads and writes: the phase as its caption, a bar from 0 to
// 100, the percentage and "Please wait ...". Every position update first handles pending
// events, so that the window keeps painting while a big file is read.
#include <QDialog>

#include "progress.h"

class QLabel;
class QProgressBar;

namespace orv::ui {

class ProgressDialog final : public QDialog, public Progress {
    Q_OBJECT
  public:
    explicit ProgressDialog(QWidget* owner);
    void setText(const std::string& text) override;
    void setPosition(int position) override;
    int position() const;
    QString percentText() const;

  protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override {}  // Escape does not abandon a read half done

  private:
    QProgressBar* bar_;
    QLabel* percent_;
};

}  // namespace orv::ui
