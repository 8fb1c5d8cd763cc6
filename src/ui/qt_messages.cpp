#include "qt_messages.h"

#include <QApplication>
#include <QMessageBox>

namespace orv::ui {

void QtMessages::show(const MessageBox& box) {
    QApplication::beep();
    QMessageBox m(QMessageBox::Warning, QString::fromStdString(box.title),
                  QString::fromStdString(box.text), QMessageBox::Ok);
    m.exec();
}

bool QtMessages::ask(const std::string& title, const std::string& text) {
    return QMessageBox::question(owner_, QString::fromStdString(title),
                                 QString::fromStdString(text),
                                 QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

}  // namespace orv::ui
