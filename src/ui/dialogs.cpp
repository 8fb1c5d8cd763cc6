#include "dialogs.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <cmath>

#include "messages.h"

namespace orv::ui {

namespace {

QDialogButtonBox* okCancel(QDialog* dialog) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

}  // namespace

ViewportDialog::ViewportDialog(QWidget* owner, Messages& messages, float ax, float ay, float az)
    : QDialog(owner), messages_(messages), angles_{ax, ay, az} {
    setWindowTitle(QStringLiteral("Define viewport"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    const char* labels[3] = {"about X axis", "about Y axis", "about Z axis"};
    for (int i = 0; i < 3; ++i) {
        fields_[i] = new QLineEdit(QString::number(double(angles_[i]), 'g', 6), this);
        auto* row = new QHBoxLayout;
        row->addWidget(fields_[i]);
        row->addWidget(new QLabel(QString(QChar(0x00B0)), this));
        form->addRow(QString::fromLatin1(labels[i]), row);
    }
    layout->addLayout(form);
    layout->addWidget(okCancel(this));
}

void ViewportDialog::accept() {
    float values[3];
    for (int i = 0; i < 3; ++i) {
        bool ok = false;
        const double v = fields_[i]->text().trimmed().toDouble(&ok);
        if (!ok || !std::isfinite(v)) {
            messages_.show({"Orvanta 3.00", "Please enter a number.", Beep::Exclamation});
            fields_[i]->setFocus();
            fields_[i]->selectAll();
            return;
        }
        values[i] = float(v);
    }
    for (int i = 0; i < 3; ++i)
        angles_[i] = values[i];
    QDialog::accept();
}

StepDialog::StepDialog(QWidget* owner, Messages& messages, bool modes, int total, int current)
    : QDialog(owner), messages_(messages), total_(total) {
    setWindowTitle(modes ? QStringLiteral("Choose mode displaying number")
                         : QStringLiteral("Choose displaying step"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    auto* totalField = new QLineEdit(QString::number(total), this);
    totalField->setReadOnly(true);
    form->addRow(
        modes ? QStringLiteral("Total mode number:") : QStringLiteral("Total step number:"),
        totalField);
    number_box_ = new QSpinBox(this);
    // The arrows keep to 1..total; a typed number outside it is refused on OK.
    number_box_->setRange(std::min(0, total), std::max(1, total) + 1);
    number_box_->setValue(current);
    form->addRow(modes ? QStringLiteral("Current mode:") : QStringLiteral("Current disp. step:"),
                 number_box_);
    layout->addLayout(form);
    layout->addWidget(okCancel(this));
}

void StepDialog::accept() {
    const int n = number_box_->value();
    if (n < 1 || n > total_) {
        messages_.showError("Input error!");
        return;
    }
    number_ = n;
    QDialog::accept();
}

AboutDialog::AboutDialog(QWidget* owner) : QDialog(owner) {
    setWindowTitle(QStringLiteral("About Orvanta 3.00"));
    auto* layout = new QVBoxLayout(this);
    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("aboutPicture"));
    picture->setPixmap(QPixmap(QStringLiteral(":/images/about.png")));
    picture->setAlignment(Qt::AlignCenter);
    layout->addWidget(picture);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
}

}  // namespace orv::ui
