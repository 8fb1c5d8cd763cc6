#pragma once
// The system's one way of reporting: modal boxes in the window, "Title: text" lines in the
// batch tool, a recorder in tests. The model and render layers report only through this.
#include <string>
#include <string_view>

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
    // A question with Yes and No buttons and the question icon; true for Yes. A reporter
    // that cannot ask answers No, so nothing is done on its behalf.
    virtual bool ask(const std::string& title, const std::string& text) {
        (void)title;
        (void)text;
        return false;
    }

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

// A word taken from a file, for a message: in double quotes, with control characters,
// bytes above 126, the backslash and the double quote shown as \xNN, so that a file's bytes never
// reach a terminal raw and the quote is always closed.
std::string quoted(std::string_view word);
// The same escaping without the quotes, for text such as a title or a path.
std::string escapedText(std::string_view text);

// Why the last open, read or write of a result file failed, in the system's words ("No such
// file or directory", "Permission denied", "Not a regular file"; empty when none), so that a
// caller can name it beside the message box, whose text stays fixed.
void recordFileError(std::string reason);
void recordSystemError(int error);  // records strerror(error)
const std::string& lastFileError();
void clearFileError();

// The reporter used for fatal errors of the numeric arrays; defaults to stderr.
void setFatalMessages(Messages* messages);
// Reports text as an "Error" box and ends the process with a non-zero exit status.
[[noreturn]] void fatalError(const std::string& text);

}  // namespace orv
