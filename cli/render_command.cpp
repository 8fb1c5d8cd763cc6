// orvanta-batch render: opens a file as the Open command does, applies the options as the
// desktop commands would (same guards, same messages), draws one frame headless with the
// window's own scene code and saves it as a 24-bit bitmap or a PNG.
#include <algorithm>
#include <string>
#include <vector>

#include "batch_support.h"
#include "headless_context.h"
#include "model_files.h"
#include "open_gl.h"
#include "render_options.h"
#include "scene.h"

namespace batch {

namespace {

// The help of render; the options are those of render_options.h.
std::string renderUsage() {
    return std::string(
               "Usage: orvanta-batch render FILE -o OUT [options]\n"
               "\n"
               "Draws FILE (.rst, .asc or .mdf) as the window would and saves the "
               "picture as OUT:\n"
               "a 24-bit .bmp or a .png. Options are applied as the desktop commands "
               "would be:\n") +
           kRenderOptionsHelp;
}

// Fills the options; an empty text on success, else what is wrong.
std::string parseOptions(const std::vector<std::string>& args, RenderOptions& o) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        std::string wrong;
        if (parseRenderOption(args, i, o, wrong)) {
            if (!wrong.empty()) return wrong;
        } else if (!a.empty() && a[0] == '-') {
            return "unknown option: " + a;
        } else if (o.file.empty()) {
            o.file = a;
        } else {
            return "render takes one file";
        }
    }
    if (o.file.empty()) return "render needs a file";
    if (o.out.empty()) return "render needs -o OUT";
    std::string x = orv::fileExtension(o.out);
    std::transform(x.begin(), x.end(), x.begin(), [](unsigned char c) { return std::tolower(c); });
    if (x != "bmp" && x != "png") return "the picture must end in .bmp or .png: " + o.out;
    return checkOptionWords(o);
}

// One line naming what is wrong and a hint; the whole help only on --help.
int renderUsageError(const std::string& text) {
    std::fprintf(stderr,
                 "orvanta-batch render: %s\nTry 'orvanta-batch render --help' for the options.\n",
                 withoutControls(text).c_str());
    return 2;
}

int renderFile(RenderOptions& o) {
    if (!readColourFile(o)) return 1;
    StderrMessages messages;
    orv::setFatalMessages(&messages);
    orv::Scene scene(messages);
    if (!openModel(o, scene)) return 1;
    if (const std::string wrong = outOfRange(o, scene); !wrong.empty())
        return renderUsageError(wrong);
    orv::HeadlessContext context;
    orv::OpenGl gl;
    if (!startDrawing(o, scene, context, gl)) return 1;
    if (!applyOptions(o, scene, messages)) return 1;
    scene.drawFrame(gl, true);
    return savePicture(o, gl, messages);
}

}  // namespace

int render(const std::vector<std::string>& args) {
    if (std::find(args.begin(), args.end(), "--help") != args.end()) {
        std::fputs(renderUsage().c_str(), stdout);
        return 0;
    }
    RenderOptions o;
    if (const std::string wrong = parseOptions(args, o); !wrong.empty())
        return renderUsageError(wrong);
    try {
        return renderFile(o);
    } catch (const std::bad_alloc&) {
        // A picture or a model too large for the memory there is: the writers have removed
        // their temporary files on the way out.
        std::fprintf(stderr, "orvanta-batch: out of memory drawing %s at %dx%d\n",
                     withoutControls(o.file).c_str(), o.width, o.height);
        return 1;
    }
}

}  // namespace batch
