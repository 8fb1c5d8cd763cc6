// orvanta-batch: the headless, scriptable side of Orvanta. Lists and converts result files
// from the command line. Exit status: 0 success, 1 refused file or failed operation,
// 2 usage error.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "listings.h"
#include "messages.h"
#include "model_files.h"
#include "progress.h"
#include "scene.h"

namespace {

constexpr const char* kUsage =
    "Usage: orvanta-batch COMMAND [ARGUMENTS]\n"
    "\n"
    "Commands:\n"
    "  info FILE                          print the model information\n"
    "  list nodes|elements|results FILE   print the node, element or nodal-results listing\n"
    "  convert IN OUT                     read IN (.rst, .asc or .mdf) and write OUT in the\n"
    "                                     format of its extension (.rst or .asc)\n"
    "  --help                             print this help\n"
    "\n"
    "Listings are printed on standard output exactly as the listing file holds them\n"
    "(CR LF line ends). Messages are printed on standard error as \"Title: text\".\n"
    "Exit status: 0 success, 1 refused file or failed operation, 2 usage error.\n";

// Control characters shown as \xNN, so that nothing printed can steer a terminal. Bytes
// above 126 stay (file names in UTF-8); words taken from a file arrive already escaped.
std::string withoutControls(const std::string& text, bool keepLineEnds = false) {
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

int usageError(const std::string& text) {
    std::fprintf(stderr, "orvanta-batch: %s\n%s", text.c_str(), kUsage);
    return 2;
}

// The tool's own line after a message box: what failed, on which path, and the system's
// reason when there is one.
void reportFailure(const char* what, const std::string& path) {
    const std::string& reason = orv::lastFileError();
    std::fprintf(stderr, "orvanta-batch: could not %s %s%s%s\n", what,
                 withoutControls(path).c_str(), reason.empty() ? "" : ": ",
                 withoutControls(reason).c_str());
}

bool openModel(orv::Scene& scene, const std::string& path) {
    TerminalProgress progress;
    const std::string extension = orv::fileExtension(path);
    const std::string cutPath = path.substr(0, path.size() - extension.size());
    orv::clearFileError();
    const bool ok = scene.openFile(progress, cutPath, extension);
    progress.finish();
    if (!ok) reportFailure("read", path);
    return ok;
}

// A listing goes out byte for byte, except to a terminal, where a title or a name from the
// file could otherwise carry escape sequences.
bool printListing(orv::ListingKind kind, const orv::FeModel& model) {
    if (::isatty(STDOUT_FILENO) != 1) return orv::writeListing(kind, model, stdout);
    char* text = nullptr;
    size_t size = 0;
    std::FILE* memory = ::open_memstream(&text, &size);
    if (!memory) return false;
    const bool ok = orv::writeListing(kind, model, memory);
    std::fclose(memory);
    const std::string shown = withoutControls(std::string(text, size), true);
    std::free(text);
    return ok && std::fwrite(shown.data(), 1, shown.size(), stdout) == shown.size() &&
           std::fflush(stdout) == 0;
}

int list(orv::ListingKind kind, const std::string& path) {
    StderrMessages messages;
    orv::setFatalMessages(&messages);
    orv::Scene scene(messages);
    if (!openModel(scene, path)) return 1;
    errno = 0;
    if (!printListing(kind, scene.model)) {
        std::fprintf(stderr, "orvanta-batch: could not write the listing%s%s\n", errno ? ": " : "",
                     errno ? std::strerror(errno) : "");
        return 1;
    }
    return 0;
}

int convert(const std::string& in, const std::string& out) {
    const std::string extension = orv::fileExtension(out);
    const orv::ModelFileKind kind = orv::modelFileKind(extension);
    if (kind != orv::ModelFileKind::Binary && kind != orv::ModelFileKind::Text)
        return usageError("the output file must end in .rst or .asc: " + out);
    StderrMessages messages;
    orv::setFatalMessages(&messages);
    orv::Scene scene(messages);
    if (!openModel(scene, in)) return 1;
    TerminalProgress progress;
    orv::clearFileError();
    const bool ok = scene.saveFile(progress, out, extension);
    progress.finish();
    if (!ok) {
        reportFailure("write", out);
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) return usageError("no command given");
    const std::string& command = args[0];
    if (command == "--help" || command == "-h" || command == "help") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (command == "info") {
        if (args.size() != 2) return usageError("info needs one file");
        return list(orv::ListingKind::ModelInformation, args[1]);
    }
    if (command == "list") {
        if (args.size() != 3) return usageError("list needs a listing kind and one file");
        if (args[1] == "nodes") return list(orv::ListingKind::Nodes, args[2]);
        if (args[1] == "elements") return list(orv::ListingKind::Elements, args[2]);
        if (args[1] == "results") return list(orv::ListingKind::Results, args[2]);
        return usageError("unknown listing kind: " + args[1]);
    }
    if (command == "convert") {
        if (args.size() != 3) return usageError("convert needs an input and an output file");
        return convert(args[1], args[2]);
    }
    return usageError("unknown command: " + command);
}
