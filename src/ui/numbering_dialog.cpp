#include "numbering_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QRadioButton>
#include <QVBoxLayout>

namespace orv::ui {

NumberingDialog::NumberingDialog(QWidget* owner, const NumberingOptions& shown) : QDialog(owner) {
    setWindowTitle(QStringLiteral("Numbering"));
    auto* layout = new QVBoxLayout(this);
    nodes_ = new QCheckBox(QStringLiteral("Node number"), this);
    nodes_->setChecked(shown.nodeNumbers);
    elements_ = new QCheckBox(QStringLiteral("Display element number"), this);
    elements_->setChecked(shown.elementNumbers);
    layout->addWidget(nodes_);
    layout->addWidget(elements_);
    kinds_ = new QButtonGroup(this);
    const char* labels[] = {"Element number", "Material number", "Group number"};
    for (int k = 0; k < 3; ++k) {
        auto* radio = new QRadioButton(QLatin1String(labels[k]), this);
        radio->setChecked(k == shown.kind);
        radio->setEnabled(shown.elementNumbers);
        kinds_->addButton(radio, k);
        layout->addWidget(radio);
    }
    connect(elements_, &QCheckBox::toggled, this, [this](bool on) {
        for (QAbstractButton* radio : kinds_->buttons())
            radio->setEnabled(on);
    });
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

NumberingOptions NumberingDialog::options() const {
    return {nodes_->isChecked(), elements_->isChecked(), kinds_->checkedId()};
}

}  // namespace orv::ui
