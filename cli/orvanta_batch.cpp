// orvanta-batch: the headless, scriptable side of Orvanta. Lists, converts and renders
// result files from the command line. Exit status: 0 success, 1 refused file or failed operation,
// 2 usage error.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "batch_support.h"
#include "listings.h"
#include "messages.h"
#include "model_files.h"
#include "progress.h"
#include "safe_file_writer.h"

namespace {

using namespace batch;

// The formats come from the table of result files.
std::string usage() {
    return "Usage: orvanta-batch COMMAND [ARGUMENTS]\n"
           "\n"
           "Commands:\n"
           "  info FILE                          print the model information\n"
           "  list nodes|elements|results FILE   print the node, element or nodal-results listing\n"
           "  convert IN OUT                     read IN and write OUT in the format of\n"
           "                                     its extension (" +
           orv::formatExtensions(true) +
           "); IN may be\n"
           "                                     " +
           orv::formatExtensions(false) +
           "\n"
           "  render FILE -o OUT [options]       draw FILE as the window would and save the "
           "picture\n"
           "                                     as OUT (.bmp or .png); see render --help\n"
           "  animate FILE -o OUT [options]      play FILE as the Animation dialog would into an\n"
           "                                     animated OUT.gif or PNG frames in a folder OUT;\n"
           "                                     see animate --help\n"
           "  probe FILE --node N|--at X,Y[,Z]   print a node's coordinates and stored values\n"
           "                                     at a step (--step K) or mode (--mode K), as\n"
           "                                     the window's probe shows them; see probe --help\n"
           "  curve ACTION ...                   curve tables (.cdb): a result's time history\n"
           "                                     or line distribution, a table's columns, its\n"
           "                                     export and chart; an existing output is\n"
           "                                     replaced; see curve --help\n"
           "  --help                             print this help\n"
           "\n"
           "Listings are printed on standard output exactly as the listing file holds them\n"
           "(CR LF line ends). Messages are printed on standard error as \"Title: text\".\n"
           "Exit status: 0 success, 1 refused file or failed operation, 2 usage error.\n";
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
    orv::FeModel model;
    if (!readModel(model, path)) return 1;
    errno = 0;
    if (!printListing(kind, model)) {
        std::fprintf(stderr, "orvanta-batch: could not write the listing%s%s\n", errno ? ": " : "",
                     errno ? std::strerror(errno) : "");
        return 1;
    }
    return 0;
}

int convert(const std::string& in, const std::string& out) {
    const std::string extension = orv::fileExtension(out);
    const orv::ModelFormat* format = orv::findModelFormat(extension);
    if (!format || !format->write)
        return usageError("the output file must end in " + orv::formatExtensions(true) + ": " +
                          out);
    // The text format keeps fewer digits than a file may hold: converting a file into itself
    // would lose them for good.
    if (orv::sameFile(in, out)) {
        std::fprintf(stderr,
                     "orvanta-batch: the output %s is the input %s itself; convert into another "
                     "file\n",
                     withoutControls(out).c_str(), withoutControls(in).c_str());
        return 1;
    }
    StderrMessages messages;
    orv::setFatalMessages(&messages);
    orv::FeModel model;
    if (!readModel(model, in)) return 1;
    TerminalProgress progress;
    orv::clearFileError();
    const bool ok = orv::writeModelFile(model, out, extension, progress, messages);
    progress.finish();
    if (!ok) {
        reportFailure("write", out);
        return 1;
    }
    return 0;
}

}  // namespace

namespace batch {

// One line naming what is wrong and what is accepted, and a hint; the whole help only on --help.
int usageError(const std::string& text) {
    std::fprintf(stderr, "orvanta-batch: %s\nTry 'orvanta-batch --help'.\n",
                 withoutControls(text).c_str());
    return 2;
}

bool readModel(orv::FeModel& model, const std::string& path) {
    TerminalProgress progress;
    StderrMessages messages;
    orv::clearFileError();
    const bool ok = orv::readModelFile(model, path, orv::fileExtension(path), progress, messages);
    progress.finish();
    if (!ok) reportFailure("read", path);
    return ok;
}

}  // namespace batch

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    const std::string commands =
        "the commands are info, list, convert, render, animate, probe, curve and --help";
    if (args.empty()) return usageError("no command given; " + commands);
    const std::string& command = args[0];
    if (command == "--help" || command == "-h" || command == "help") {
        std::fputs(usage().c_str(), stdout);
        return 0;
    }
    if (command == "info") {
        if (args.size() != 2) return usageError("info takes one file: info FILE");
        return list(orv::ListingKind::ModelInformation, args[1]);
    }
    if (command == "list") {
        if (args.size() != 3)
            return usageError("list takes a kind and one file: list nodes|elements|results FILE");
        if (args[1] == "nodes") return list(orv::ListingKind::Nodes, args[2]);
        if (args[1] == "elements") return list(orv::ListingKind::Elements, args[2]);
        if (args[1] == "results") return list(orv::ListingKind::Results, args[2]);
        return usageError("unknown listing kind \"" + args[1] +
                          "\"; the kinds are nodes, elements and results");
    }
    if (command == "convert") {
        if (args.size() != 3)
            return usageError("convert takes an input and an output file: convert IN OUT");
        return convert(args[1], args[2]);
    }
    if (command == "render") return render(std::vector<std::string>(args.begin() + 1, args.end()));
    if (command == "animate")
        return animate(std::vector<std::string>(args.begin() + 1, args.end()));
    if (command == "probe") return probe(std::vector<std::string>(args.begin() + 1, args.end()));
    if (command == "curve") return curve(std::vector<std::string>(args.begin() + 1, args.end()));
    return usageError("unknown command \"" + command + "\"; " + commands);
}
