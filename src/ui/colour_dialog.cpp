#include "colour_dialog.h"

#include <QButtonGroup>
#include <QColorDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>

#include "dialog_fields.h"

namespace orv::ui {

const std::array<ColourItem, kColourItemCount>& ColourDialog::radioItems() {
    static const std::array<ColourItem, kColourItemCount> items = {
        ColourItem::FrameBkg,  ColourItem::TitleFont, ColourItem::LabelBkg, ColourItem::LabelFont,
        ColourItem::AxisColor, ColourItem::NodeNb,    ColourItem::ElemNb};
    return items;
}

ColourDialog::ColourDialog(QWidget* owner, Messages& messages, const Scene& scene, Apply apply,
                           std::function<void()> defaults)
    : QDialog(owner),
      messages_(messages),
      scene_(scene),
      apply_(std::move(apply)),
      defaults_(std::move(defaults)) {
    setWindowTitle(QStringLiteral("Define color"));
    chooseColour = [](QWidget* o) {
        return QColorDialog::getColor(Qt::black, o, QStringLiteral("Color"));
    };
    auto* layout = new QHBoxLayout(this);
    auto* items = new QVBoxLayout;
    radios_ = new QButtonGroup(this);
    const char* labels[] = {
        "Frame background color", "Job title",   "Label backgroud color", "Label font",
        "Coordinate axis",        "Node number", "Element number"};
    for (int k = 0; k < kColourItemCount; ++k) {
        auto* radio = new QRadioButton(QLatin1String(labels[k]), this);
        radios_->addButton(radio, k);
        items->addWidget(radio);
    }
    radios_->button(0)->setChecked(true);
    layout->addLayout(items);

    auto* right = new QVBoxLayout;
    auto* form = new QFormLayout;
    const char* names[] = {"Red", "Green", "Blue"};
    for (int k = 0; k < 3; ++k) {
        fields_[k] = new QLineEdit(this);
        form->addRow(QLatin1String(names[k]), fields_[k]);
    }
    right->addLayout(form);
    swatch_ = new QLabel(this);
    swatch_->setObjectName(QStringLiteral("swatch"));
    swatch_->setMinimumSize(80, 40);
    swatch_->setAutoFillBackground(true);
    right->addWidget(swatch_);
    const auto button = [&](const char* text) {
        auto* b = new QPushButton(QLatin1String(text), this);
        right->addWidget(b);
        return b;
    };
    connect(button("Color >>"), &QPushButton::clicked, this, &ColourDialog::chooseAndApply);
    QPushButton* applyButton = button("Apply");
    applyButton->setDefault(true);
    connect(applyButton, &QPushButton::clicked, this, &ColourDialog::apply);
    connect(button("Default"), &QPushButton::clicked, this, &ColourDialog::restoreDefaults);
    connect(button("Close"), &QPushButton::clicked, this, &QDialog::reject);
    layout->addLayout(right);

    connect(radios_, &QButtonGroup::idClicked, this, [this] { showColour(scene_.colour(item())); });
    showColour(scene_.colour(item()));
}

ColourItem ColourDialog::item() const {
    return radioItems()[size_t(std::max(0, radios_->checkedId()))];
}

void ColourDialog::showColour(const std::array<int, 3>& rgb) {
    for (int k = 0; k < 3; ++k)
        fields_[k]->setText(QString::number(rgb[size_t(k)]));
    QPalette palette = swatch_->palette();
    palette.setColor(
        QPalette::Window,
        QColor(std::clamp(rgb[0], 0, 255), std::clamp(rgb[1], 0, 255), std::clamp(rgb[2], 0, 255)));
    swatch_->setPalette(palette);
}

bool ColourDialog::readFields(std::array<int, 3>& rgb) {
    for (int k = 0; k < 3; ++k)
        if (!readInteger(fields_[k], messages_, rgb[size_t(k)])) return false;
    return true;
}

void ColourDialog::apply() {
    std::array<int, 3> rgb{};
    if (readFields(rgb) && apply_(item(), rgb)) showColour(rgb);
}

void ColourDialog::chooseAndApply() {
    const QColor chosen = chooseColour(this);
    if (!chosen.isValid()) return;
    showColour({chosen.red(), chosen.green(), chosen.blue()});
    apply();
}

void ColourDialog::restoreDefaults() {
    defaults_();
    showColour(scene_.colour(item()));
}

}  // namespace orv::ui
