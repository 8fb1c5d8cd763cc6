#include "curve_dialogs.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QVBoxLayout>

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

ReadCurveDialog::ReadCurveDialog(QWidget* owner) : QDialog(owner) {
    setWindowTitle(QStringLiteral("Read array for curve"));
    auto* layout = new QVBoxLayout(this);
    auto* box = new QGroupBox(this);
    auto* radios = new QVBoxLayout(box);
    file_ = new QRadioButton(QStringLiteral("From file"), box);
    result_ = new QRadioButton(QStringLiteral("From this result"), box);
    auto* group = new QButtonGroup(this);
    group->addButton(file_);
    group->addButton(result_);
    file_->setChecked(true);
    radios->addWidget(file_);
    radios->addWidget(result_);
    layout->addWidget(box);
    layout->addWidget(okCancel(this));
}

bool ReadCurveDialog::fromFile() const {
    return file_->isChecked();
}

CurveDefinitionDialog::CurveDefinitionDialog(QWidget* owner, Messages& messages,
                                             const QStringList& columns, Define define)
    : QDialog(owner), messages_(messages), define_(std::move(define)) {
    setWindowTitle(QStringLiteral("Define curve"));
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    name_ = new QLineEdit(this);
    grid->addWidget(new QLabel(QStringLiteral("Curve name :"), this), 0, 0);
    grid->addWidget(name_, 0, 1);
    x_ = new QComboBox(this);
    x_->addItems(columns);
    x_->setCurrentIndex(columns.isEmpty() ? -1 : 0);
    grid->addWidget(new QLabel(QStringLiteral("X data :"), this), 1, 0);
    grid->addWidget(x_, 1, 1);
    y_ = new QListWidget(this);
    y_->addItems(columns);
    y_->setSelectionMode(QAbstractItemView::MultiSelection);
    grid->addWidget(new QLabel(QStringLiteral("Y data :"), this), 2, 0, Qt::AlignTop);
    grid->addWidget(y_, 2, 1);
    layout->addLayout(grid);
    layout->addWidget(okCancel(this));
}

void CurveDefinitionDialog::accept() {
    std::vector<int32_t> ys;
    for (int i = 0; i < y_->count(); ++i)
        if (y_->item(i)->isSelected()) ys.push_back(i);
    if (ys.empty()) {
        messages_.showMessage("please select Y data!");
        y_->setFocus();
        return;
    }
    if (!define_(name_->text().toStdString(), x_->currentIndex(), ys)) return;
    QDialog::accept();
}

}  // namespace orv::ui
