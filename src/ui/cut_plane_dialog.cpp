#include "cut_plane_dialog.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <cmath>

#include "messages.h"
#include "orvanta_view.h"

namespace orv::ui {

CutPlaneDialog::CutPlaneDialog(COrvantaView& view, Scene& scene, Messages& messages)
    : QDialog(&view, Qt::Tool), view_(view), scene_(scene), messages_(messages) {
    setWindowTitle(QStringLiteral("Define cut plane"));
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("cutPlaneDialog"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(
        new QLabel(QStringLiteral("Choose 3 points to define a cutting plane"), this));
    auto* radios = new QHBoxLayout;
    pick_ = new QRadioButton(QStringLiteral("Pick"), this);
    unpick_ = new QRadioButton(QStringLiteral("Unpick"), this);
    modes_ = new QButtonGroup(this);
    modes_->addButton(pick_);
    modes_->addButton(unpick_);
    radios->addWidget(pick_);
    radios->addWidget(unpick_);
    radios->addStretch();
    layout->addLayout(radios);

    auto* box = new QGroupBox(QStringLiteral("Coordinates"), this);
    auto* grid = new QGridLayout(box);
    const char* columns[3] = {"X", "Y", "Z"};
    for (int k = 0; k < 3; ++k)
        grid->addWidget(new QLabel(QLatin1String(columns[k]), box), 0, k + 1, Qt::AlignHCenter);
    for (int i = 0; i < 3; ++i) {
        grid->addWidget(new QLabel(QStringLiteral("N%1 :").arg(i + 1), box), i + 1, 0);
        for (int k = 0; k < 3; ++k) {
            QLineEdit*& f = fields_[size_t(3 * i + k)];
            f = new QLineEdit(box);
            grid->addWidget(f, i + 1, k + 1);
            // Typing stops the refresh, so that the typed value is not overwritten.
            connect(f, &QLineEdit::textEdited, this, &CutPlaneDialog::stopRefresh);
        }
    }
    layout->addWidget(box);
    showCoordinates({});

    show_ = new QCheckBox(QStringLiteral("Show the three points of cutting plane"), this);
    show_->setChecked(true);
    layout->addWidget(show_);

    auto* buttons = new QHBoxLayout;
    auto* applyButton = new QPushButton(QStringLiteral("&Applay"), this);
    applyButton->setDefault(true);
    auto* resetButton = new QPushButton(QStringLiteral("&Reset"), this);
    auto* closeButton = new QPushButton(QStringLiteral("&Close"), this);
    buttons->addWidget(applyButton);
    buttons->addWidget(resetButton);
    buttons->addWidget(closeButton);
    layout->addLayout(buttons);

    timer_.setInterval(500);
    connect(&timer_, &QTimer::timeout, this, &CutPlaneDialog::refresh);
    connect(pick_, &QRadioButton::clicked, this, &CutPlaneDialog::pickClicked);
    connect(unpick_, &QRadioButton::clicked, this, &CutPlaneDialog::unpickClicked);
    connect(show_, &QCheckBox::clicked, this, [this](bool on) {
        scene_.setPickedMarks(on ? PickedMarks::Points : PickedMarks::Hidden);
        view_.requestRedraw();
    });
    connect(applyButton, &QPushButton::clicked, this, &CutPlaneDialog::apply);
    connect(resetButton, &QPushButton::clicked, this, &CutPlaneDialog::reset);
    connect(closeButton, &QPushButton::clicked, this, &CutPlaneDialog::reject);
}

void CutPlaneDialog::startRefresh() {
    if (!timer_.isActive()) timer_.start();
}

void CutPlaneDialog::stopRefresh() {
    timer_.stop();
}

// Neither radio chosen, the refresh stopped and the mouse idle.
void CutPlaneDialog::endPicking() {
    stopRefresh();
    modes_->setExclusive(false);
    pick_->setChecked(false);
    unpick_->setChecked(false);
    modes_->setExclusive(true);
    scene_.setPickMode(MouseMode::Idle);
    changed();
}

void CutPlaneDialog::pickClicked() {
    if (count_ == 3) {
        endPicking();
        return;
    }
    startRefresh();
    scene_.setPickMode(MouseMode::Pick);
    if (!show_->isChecked()) {
        show_->setChecked(true);
        scene_.setPickedMarks(PickedMarks::Points);
    }
    changed();
}

void CutPlaneDialog::unpickClicked() {
    if (count_ == 0) {
        // Nothing to unpick: the mouse keeps its mode.
        stopRefresh();
        modes_->setExclusive(false);
        unpick_->setChecked(false);
        modes_->setExclusive(true);
        return;
    }
    startRefresh();
    scene_.setPickMode(MouseMode::Unpick);
    changed();
}

void CutPlaneDialog::refresh() {
    const std::vector<std::array<double, 3>> rows = scene_.pickedCoordinates(3);
    count_ = int(rows.size());
    const MouseMode mode = scene_.mouseMode();
    if ((count_ == 3 && mode == MouseMode::Pick) || (count_ == 0 && mode == MouseMode::Unpick))
        endPicking();
    showCoordinates(rows);
}

void CutPlaneDialog::showCoordinates(const std::vector<std::array<double, 3>>& rows) {
    for (size_t i = 0; i < fields_.size(); ++i) {
        exact_[i] = i / 3 < rows.size() ? rows[i / 3][i % 3] : 0.0;
        shown_[i] = QString::fromStdString(fieldText(exact_[i]));
        fields_[i]->setText(shown_[i]);
    }
}

void CutPlaneDialog::apply() {
    std::array<std::array<double, 3>, 3> points{};
    for (size_t i = 0; i < fields_.size(); ++i) {
        QLineEdit* f = fields_[i];
        double v = exact_[i];
        // A field shows its value rounded: only a changed text is read back.
        if (f->text() != shown_[i]) {
            bool ok = false;
            v = f->text().trimmed().toDouble(&ok);
            if (!ok || !std::isfinite(v)) {
                messages_.show({"Orvanta 3.00", "Please enter a number.", Beep::Exclamation});
                f->setFocus();
                f->selectAll();
                return;
            }
        }
        points[i / 3][i % 3] = v;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // A refused plane is said by the scene and leaves no cut.
    scene_.commandCut(points);
    QApplication::restoreOverrideCursor();
    changed();
}

void CutPlaneDialog::reset() {
    stopRefresh();
    scene_.resetCutDefinition();
    count_ = 0;
    modes_->setExclusive(false);
    pick_->setChecked(false);
    unpick_->setChecked(false);
    modes_->setExclusive(true);
    showCoordinates({});
    changed();
}

void CutPlaneDialog::changed() {
    view_.requestRedraw();
    // The mouse mode shows in the Dynamic Pan, Rotation and Zoom Box buttons.
    emit view_.commandStatesChanged();
}

void CutPlaneDialog::reject() {
    if (closing_) return;
    closing_ = true;
    stopRefresh();
    scene_.endCutDefinition();
    view_.setCutPlaneDialogOpen(false);
    view_.requestRedraw();
    QDialog::reject();
    close();
}

void CutPlaneDialog::closeEvent(QCloseEvent* event) {
    if (!closing_) {
        reject();
        return;
    }
    QDialog::closeEvent(event);
    event->accept();
}

}  // namespace orv::ui
