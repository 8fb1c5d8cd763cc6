#include "magnification_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "dialog_fields.h"
#include "scene.h"

namespace orv::ui {

MagnificationDialog::MagnificationDialog(QWidget* owner, Messages& messages, double factor,
                                         Action ok)
    : QDialog(owner), messages_(messages), ok_(std::move(ok)) {
    setWindowTitle(QStringLiteral("Input"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Magnification factor :"), this));
    field_ = new QLineEdit(QString::fromStdString(fieldText(factor)), this);
    layout->addWidget(field_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

void MagnificationDialog::accept() {
    double factor = 0.0;
    if (readNumber(field_, messages_, factor) && ok_(factor)) QDialog::accept();
}

}  // namespace orv::ui
