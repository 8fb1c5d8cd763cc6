#pragma once
// What the batch tool's commands share: messages on standard error, progress on a
// terminal, and the tool's own failure lines.
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "fe_model.h"
#include "messages.h"
#include "progress.h"

namespace batch {

// Control characters shown as \xNN, so that nothing printed can steer a terminal. Bytes
// above 126 stay (file names in UTF-8); words taken from a file arrive already escaped.
inline std::string withoutControls(const std::string& text, bool keepLineEnds = false) {
    std::string out;
    out.reserve(text.size());
    for (char ch : text) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if ((c < 32 || c == 127) && !(keepLineEnds && (c == '\r' || c == '\n' || c == '\t'))) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02x", c);
            out += hex;
        } else {
            out += ch;
        }
    }
    return out;
}

class StderrMessages final : public orv::Messages {
  public:
    void show(const orv::MessageBox& box) override {
        // On a terminal a progress line may be showing: clear it, so that the message stands
        // on a line of its own.
        if (terminal_) std::fputs("\r\033[K", stderr);
        std::fprintf(stderr, "%s: %s\n", box.title.c_str(), withoutControls(box.text).c_str());
    }

  private:
    bool terminal_ = ::isatty(STDERR_FILENO) == 1;
};

// Shows the reader's phase and percentage on a terminal; silent otherwise.
class TerminalProgress final : public orv::Progress {
  public:
    TerminalProgress() : active_(::isatty(STDERR_FILENO) == 1) {}
    ~TerminalProgress() override { finish(); }
    void setText(const std::string& text) override {
        text_ = text;
        draw(0);
    }
    void setPosition(int position) override { draw(position); }
    void finish() {
        if (active_ && drawn_) std::fputs("\r\033[K", stderr);
        drawn_ = false;
    }

  private:
    void draw(int position) {
        if (!active_) return;
        std::fprintf(stderr, "\r\033[K%s %d%%", text_.c_str(), position);
        std::fflush(stderr);
        drawn_ = true;
    }
    bool active_;
    bool drawn_ = false;
    std::string text_;
};

// The tool's own line after a message box: what failed, on which path, and the system's
// reason when there is one.
inline void reportFailure(const char* what, const std::string& path) {
    const std::string& reason = orv::lastFileError();
    std::fprintf(stderr, "orvanta-batch: could not %s %s%s%s\n", what,
                 withoutControls(path).c_str(), reason.empty() ? "" : ": ",
                 withoutControls(reason).c_str());
}

// Reads a model file as the Open command does (by its extension), reporting a failure.
bool readModel(orv::FeModel& model, const std::string& path);

int usageError(const std::string& text);

// orvanta-batch render FILE -o OUT [options]
int render(const std::vector<std::string>& args);
// orvanta-batch animate FILE -o OUT.gif|DIR [options]
int animate(const std::vector<std::string>& args);
// orvanta-batch probe FILE --node N|--at X,Y[,Z] [--step K|--mode K]
int probe(const std::vector<std::string>& args);
// orvanta-batch curve history|line|info|export|plot ...
int curve(const std::vector<std::string>& args);

}  // namespace batch
