#pragma once
// The system's one way of reporting: modal boxes in the window, "Title: text" lines in the
// batch tool, a recorder in tests. The model and render layers report only through this.
#include <string>

namespace orv {

enum class Beep { Question, Exclamation };

struct MessageBox {
    std::string title;  // "Error", "Message", ...
    std::string text;
    Beep beep = Beep::Question;
};

class Messages {
  public:
    virtual ~Messages() = default;
    virtual void show(const MessageBox& box) = 0;

    // Box titled "Error".
    void showError(const std::string& text);
    // The two texts joined without separator, box titled "Error".
    void showError(const std::string& text, const std::string& detail);
    // The text directly followed by n in decimal, box titled "Error".
    void showErrorNumber(const std::string& text, long long n);
    // Box titled "Message".
    void showMessage(const std::string& text);
};

// Discards every message; for callers that check the returned success flag only.
class SilentMessages final : public Messages {
  public:
    void show(const MessageBox&) override {}
};

// The reporter used for fatal errors of the numeric arrays; defaults to stderr.
void setFatalMessages(Messages* messages);
// Reports text as an "Error" box and ends the process with a non-zero exit status.
[[noreturn]] void fatalError(const std::string& text);

}  // namespace orv
