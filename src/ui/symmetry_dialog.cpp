#include "symmetry_dialog.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>

namespace orv::ui {

SymmetryDialog::SymmetryDialog(QWidget* owner, Symmetry shown) : QDialog(owner) {
    setWindowTitle(QStringLiteral("Symmetry plot"));
    auto* layout = new QVBoxLayout(this);
    choices_ = new QButtonGroup(this);
    const char* labels[] = {"No symmetry", "Symmetry about X axel", "Symmetry about Y axel"};
    for (int k = 0; k < 3; ++k) {
        auto* radio = new QRadioButton(QLatin1String(labels[k]), this);
        radio->setChecked(k == int(shown));
        choices_->addButton(radio, k);
        layout->addWidget(radio);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

Symmetry SymmetryDialog::symmetry() const {
    return Symmetry(std::max(0, choices_->checkedId()));
}

}  // namespace orv::ui
