#pragma once
// The option dialogs' field checks: a field that does not hold what it must is said with the
// standard message, gets the focus and keeps the dialog open.
#include <QLineEdit>
#include <cmath>

#include "messages.h"

namespace orv::ui {

inline void refuseField(QLineEdit* field, Messages& messages, const char* text) {
    messages.show({"Orvanta 3.00", text, Beep::Exclamation});
    field->setFocus();
    field->selectAll();
}

// A finite number; false, with "Please enter a number.", otherwise.
inline bool readNumber(QLineEdit* field, Messages& messages, double& value) {
    bool ok = false;
    const double v = field->text().trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v)) {
        refuseField(field, messages, "Please enter a number.");
        return false;
    }
    value = v;
    return true;
}

// A whole number; false, with "Please enter an integer.", otherwise.
inline bool readInteger(QLineEdit* field, Messages& messages, int& value) {
    bool ok = false;
    const int v = field->text().trimmed().toInt(&ok);
    if (!ok) {
        refuseField(field, messages, "Please enter an integer.");
        return false;
    }
    value = v;
    return true;
}

}  // namespace orv::ui
