#include "animation_dialog.h"

#include <QCloseEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QVBoxLayout>
#include <cmath>

#include "messages.h"
#include "orvanta_view.h"

namespace orv::ui {

AnimationDialog::AnimationDialog(COrvantaView& view, Messages& messages)
    : QDialog(&view, Qt::Tool), view_(view), messages_(messages) {
    setWindowTitle(QStringLiteral("Animation"));
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("animationDialog"));
    const Scene& scene = view_.scene();

    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    steps_ = new QLineEdit(QString::number(scene.settings().shown.count), this);
    // The steps of a transient result are the result's own: only frames can be chosen.
    steps_->setReadOnly(!scene.oscillationMode());
    magnification_ =
        new QLineEdit(QString::number(double(scene.settings().magnification), 'g', 6), this);
    form->addRow(QStringLiteral("Display steps"), steps_);
    form->addRow(QStringLiteral("Magnfi. factor"), magnification_);
    layout->addLayout(form);

    auto* methods = new QGroupBox(QStringLiteral("Animation methods"), this);
    auto* methodLayout = new QVBoxLayout(methods);
    forward_ = new QRadioButton(QStringLiteral("Forward only"), methods);
    back_ = new QRadioButton(QStringLiteral("Forward and back"), methods);
    forward_->setChecked(true);
    methodLayout->addWidget(forward_);
    methodLayout->addWidget(back_);
    layout->addWidget(methods);

    auto* speedBox = new QGroupBox(QStringLiteral("Animation speed"), this);
    auto* speedLayout = new QHBoxLayout(speedBox);
    speed_ = new QSlider(Qt::Horizontal, speedBox);
    speed_->setRange(1, 100);
    speed_->setValue(100);
    speedText_ = new QLabel(QStringLiteral("100"), speedBox);
    speedText_->setMinimumWidth(speedText_->fontMetrics().horizontalAdvance(QStringLiteral("100")) +
                                4);
    speedLayout->addWidget(speed_);
    speedLayout->addWidget(speedText_);
    layout->addWidget(speedBox);

    auto* buttons = new QHBoxLayout;
    auto* playButton = new QPushButton(QStringLiteral("Play"), this);
    playButton->setDefault(true);
    auto* closeButton = new QPushButton(QStringLiteral("Close"), this);
    buttons->addStretch();
    buttons->addWidget(playButton);
    buttons->addWidget(closeButton);
    layout->addLayout(buttons);

    connect(playButton, &QPushButton::clicked, this, &AnimationDialog::play);
    connect(closeButton, &QPushButton::clicked, this, &AnimationDialog::reject);
    connect(steps_, &QLineEdit::textEdited, this, &AnimationDialog::stepsEdited);
    connect(speed_, &QSlider::valueChanged, this,
            [this](int v) { speedText_->setText(QString::number(v)); });
    // Letting go of the mouse re-times the animation, after a drag of the thumb or a click
    // beside it alike.
    speed_->installEventFilter(this);
}

bool AnimationDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == speed_ && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        // The slider takes the release first, so that a thumb let go outside stays where
        // it was dropped.
        speed_->event(event);
        play();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

bool AnimationDialog::readFields(int& steps, double& magnification) {
    bool ok = false;
    steps = steps_->text().trimmed().toInt(&ok);
    if (!ok) {
        messages_.show({"Orvanta 3.00", "Please enter an integer.", Beep::Exclamation});
        steps_->setFocus();
        return false;
    }
    const double m = magnification_->text().trimmed().toDouble(&ok);
    // A factor beyond the float range is no number the model can be drawn with.
    if (!ok || !std::isfinite(m) || !std::isfinite(float(m))) {
        messages_.show({"Orvanta 3.00", "Please enter a number.", Beep::Exclamation});
        magnification_->setFocus();
        return false;
    }
    magnification = m;
    return true;
}

void AnimationDialog::play() {
    int steps;
    double magnification;
    if (readFields(steps, magnification)) runFrom(steps, magnification);
}

void AnimationDialog::runFrom(int steps, double magnification) {
    const int period = periodOf(speed_->value());
    if (period < 1) return;
    if (steps < 2) {
        view_.stopAnimationTimer();
        messages_.show({"Orvanta 3.00", "Input animation step!", Beep::Exclamation});
        return;
    }
    view_.playAnimation(
        steps, magnification,
        back_->isChecked() ? AnimationMethod::ForwardAndBack : AnimationMethod::ForwardOnly,
        period);
}

void AnimationDialog::stepsEdited() {
    view_.holdAnimation();
}

void AnimationDialog::reject() {
    if (closing_) return;
    closing_ = true;
    view_.closeAnimation();
    QDialog::reject();
    close();
}

void AnimationDialog::closeEvent(QCloseEvent* event) {
    if (!closing_) {
        reject();
        return;
    }
    QDialog::closeEvent(event);
    event->accept();
}

}  // namespace orv::ui
