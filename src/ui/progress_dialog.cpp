#include "progress_dialog.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

namespace orv::ui {

ProgressDialog::ProgressDialog(QWidget* owner) : QDialog(owner) {
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    auto* layout = new QVBoxLayout(this);
    percent_ = new QLabel(QStringLiteral(" 0 %"), this);
    percent_->setAlignment(Qt::AlignCenter);
    bar_ = new QProgressBar(this);
    bar_->setRange(0, 100);
    bar_->setValue(0);
    bar_->setTextVisible(false);
    layout->addWidget(percent_);
    layout->addWidget(bar_);
    layout->addWidget(new QLabel(QStringLiteral("Please wait ..."), this));
    setMinimumWidth(300);
}

void ProgressDialog::setText(const std::string& text) {
    setWindowTitle(QString::fromStdString(text));
}

void ProgressDialog::setPosition(int position) {
    QCoreApplication::processEvents();
    position = std::clamp(position, 0, 100);
    bar_->setValue(position);
    const int percent = position == 100 ? 100 : position % 100;
    percent_->setText(QStringLiteral("%1%").arg(percent));
}

int ProgressDialog::position() const {
    return bar_->value();
}

QString ProgressDialog::percentText() const {
    return percent_->text();
}

void ProgressDialog::closeEvent(QCloseEvent* event) {
    event->ignore();
}

}  // namespace orv::ui
