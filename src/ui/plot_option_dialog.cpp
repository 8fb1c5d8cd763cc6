#include "plot_option_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "dialog_fields.h"

namespace orv::ui {

PlotOptionDialog::PlotOptionDialog(QWidget* owner, Messages& messages, const ContourOptions& shown,
                                   Action ok)
    : QDialog(owner), messages_(messages), ok_(std::move(ok)) {
    setWindowTitle(QStringLiteral("Plot Option"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    divisions_ = new QLineEdit(QString::number(shown.divisions), this);
    form->addRow(QStringLiteral("Number of division:"), divisions_);
    auto* item =
        new QLabel(QStringLiteral("Plot variable : ") + QString::fromStdString(shown.item), this);
    item->setObjectName(QStringLiteral("plotVariable"));
    form->addRow(item);
    max_ = new QLineEdit(QString::fromStdString(fieldText(shown.max)), this);
    min_ = new QLineEdit(QString::fromStdString(fieldText(shown.min)), this);
    form->addRow(QStringLiteral("Maximum :"), max_);
    form->addRow(QStringLiteral("Minimum :"), min_);
    grey_ = new QCheckBox(QStringLiteral("Black and White"), this);
    grey_->setChecked(shown.grey);
    form->addRow(grey_);
    layout->addLayout(form);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

void PlotOptionDialog::accept() {
    ContourOptions entered;
    if (!readInteger(divisions_, messages_, entered.divisions) ||
        !readNumber(max_, messages_, entered.max) || !readNumber(min_, messages_, entered.min))
        return;
    entered.grey = grey_->isChecked();
    if (ok_(entered)) QDialog::accept();
}

}  // namespace orv::ui
