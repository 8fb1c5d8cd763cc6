#include "messages.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

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

std::string escapedText(std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(text.size());
    for (char ch : text) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c < 32 || c > 126 || c == '\\' || c == '"') {
            out += "\\x";
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else {
            out += ch;
        }
    }
    return out;
}

std::string quoted(std::string_view word) {
    return "\"" + escapedText(word) + "\"";
}

namespace {
Messages* fatalMessages = nullptr;
thread_local std::string fileError;
}  // namespace

void recordFileError(std::string reason) {
    fileError = std::move(reason);
}

void recordSystemError(int error) {
    fileError = std::strerror(error);
}

const std::string& lastFileError() {
    return fileError;
}

void clearFileError() {
    fileError.clear();
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
