#include "select_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace orv::ui {

namespace {

const QStringList kTypes = {"Select", "Reselect", "Add", "All"};
const QStringList kItems[2] = {{"Elem", "Type", "Mate", "Real", "Loca"}, {"Node", "Loca", "Solu"}};

}  // namespace

SelectDialog::SelectDialog(QWidget* owner, int dimension, const QStringList& results, Action apply)
    : QDialog(owner), dimension_(dimension), results_(results), apply_(std::move(apply)) {
    setWindowTitle(QStringLiteral("Select node or element"));
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;  // both halves in one grid, so that their columns line up
    const char* labels[2][6] = {{"Element", "Type", "Item", "Comp", "Incr.", "Values"},
                                {"Node", "TYPE", "Item", "Comp", "Inc;", "Values"}};
    for (int entity = 0; entity < 2; ++entity) {
        const auto text = [&](int k) { return QLatin1String(labels[entity][k]); };
        Half& h = halves_[entity];
        h.entity = new QRadioButton(text(0), this);
        h.type = new QComboBox(this);
        h.type->addItems(kTypes);
        h.item = new QComboBox(this);
        h.item->addItems(kItems[entity]);
        h.component = new QComboBox(this);
        h.increment = new QCheckBox(text(4), this);
        h.values = new QLineEdit(this);
        const int row = 3 * entity;
        grid->addWidget(h.entity, row, 0);
        for (int k = 1; k <= 3; ++k)
            grid->addWidget(new QLabel(text(k), this), row, k);
        grid->addWidget(h.type, row + 1, 1);
        grid->addWidget(h.item, row + 1, 2);
        grid->addWidget(h.component, row + 1, 3);
        grid->addWidget(h.increment, row + 1, 4);
        grid->addWidget(new QLabel(text(5), this), row + 2, 0);
        grid->addWidget(h.values, row + 2, 1, 1, 4);
        connect(h.item, &QComboBox::currentIndexChanged, this,
                [this, entity] { itemChosen(entity); });
    }
    layout->addLayout(grid);
    halves_[0].entity->setChecked(true);

    auto* buttons = new QHBoxLayout;
    auto* applyButton = new QPushButton(QStringLiteral("Apply"), this);
    applyButton->setDefault(true);
    auto* closeButton = new QPushButton(QStringLiteral("Close"), this);
    buttons->addStretch();
    buttons->addWidget(applyButton);
    buttons->addWidget(closeButton);
    layout->addLayout(buttons);
    connect(applyButton, &QPushButton::clicked, this, &SelectDialog::apply);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::reject);
}

void SelectDialog::itemChosen(int entity) {
    const Half& h = halves_[entity];
    h.component->clear();
    const QString item = h.item->currentText();
    if (item == QLatin1String("Loca")) {
        h.component->addItems({"X", "Y"});
        if (dimension_ == 3) h.component->addItem(QStringLiteral("Z"));
    } else if (item == QLatin1String("Solu")) {
        h.component->addItems(results_);
    }
    h.component->setCurrentIndex(h.component->count() > 0 ? 0 : -1);
}

ElementSelection SelectDialog::selection() const {
    const Half& h = halves_[0];
    return {h.type->currentText().toStdString(), h.item->currentText().toStdString(),
            h.increment->isChecked(), h.values->text().toStdString()};
}

void SelectDialog::apply() {
    apply_(halves_[0].entity->isChecked(), selection());
}

}  // namespace orv::ui
