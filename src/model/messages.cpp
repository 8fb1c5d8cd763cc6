#include "messages.h"

#include <cstdio>
#include <cstdlib>

namespace orv {

void Messages::showError(const std::string& text) {
    show({"Error", text, Beep::Question});
}

void Messages::showError(const std::string& text, const std::string& detail) {
    show({"Error", text + detail, Beep::Exclamation});
}

void Messages::showErrorNumber(const std::string& text, long long n) {
    show({"Error", text + std::to_string(n), Beep::Question});
}

void Messages::showMessage(const std::string& text) {
    show({"Message", text, Beep::Question});
}

namespace {
Messages* fatalMessages = nullptr;
}

void setFatalMessages(Messages* messages) {
    fatalMessages = messages;
}

void fatalError(const std::string& text) {
    if (fatalMessages) {
        fatalMessages->showError(text);
    } else {
        std::fprintf(stderr, "Error: %s\n", text.c_str());
    }
    std::fflush(nullptr);
    // A failure must not report success; nothing is cleaned up.
    std::_Exit(EXIT_FAILURE);
}

}  // namespace orv
