// orvanta-batch animate: plays a file as the Animation dialog would, headless, and writes
// the frames of one round as an animated GIF or as numbered PNG images in a folder.
//
// A GIF holds at most 256 colours a frame: a frame of that few keeps them exactly, any other
// is reduced by median cut (boxes of a 5-bit-a-channel histogram split at the median of
// their longest side, each box's colour the mean of its pixels), without dithering, which
// would flicker from frame to frame. Each frame after the first holds only the rectangle
// that changed, with colours of its own, drawn over the frame before.
#include <gif_lib.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "batch_support.h"
#include "frame_image.h"
#include "headless_context.h"
#include "image_files.h"
#include "model_files.h"
#include "open_gl.h"
#include "render_options.h"
#include "safe_file_writer.h"
#include "scene.h"

namespace batch {

namespace {

std::string animateUsage() {
    return std::string(
               "Usage: orvanta-batch animate FILE -o OUT.gif|DIR [options]\n"
               "\n"
               "Plays FILE (.rst, .asc or .mdf) as the Animation dialog would and writes one\n"
               "round of it: an animated GIF when OUT ends in .gif, else numbered PNG images\n"
               "frame_0001.png ... in the folder OUT (made when missing). A result of several\n"
               "steps gives a frame a step; a single step or a mode file gives --frames display\n"
               "steps (2 to 100000, default 10) of its growing deformation (of the mode --mode\n"
               "names).\n"
               "  --method forward|forward-back   forward only (default), or forward and back\n"
               "                           without repeating the turning frames\n"
               "  --speed S                the dialog's speed, 1 to 100 (default 100): each "
               "frame\n"
               "                           shows 1001 - 10 x S ms, in a GIF rounded to "
               "hundredths\n"
               "                           of a second and at least 2 of them\n"
               "and the options of render:\n") +
           kRenderOptionsHelp;
}

int animateUsageError(const std::string& text) {
    std::fprintf(stderr,
                 "orvanta-batch animate: %s\nTry 'orvanta-batch animate --help' for the "
                 "options.\n",
                 withoutControls(text).c_str());
    return 2;
}

struct AnimateOptions {
    RenderOptions render;
    orv::AnimationMethod method = orv::AnimationMethod::ForwardOnly;
    int speed = 100;
    bool gif = false;
};

std::string parseOptions(const std::vector<std::string>& args, AnimateOptions& a) {
    RenderOptions& o = a.render;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        std::string wrong;
        if (word == "--method") {
            const std::string v = i + 1 < args.size() ? args[++i] : "";
            if (v != "forward" && v != "forward-back")
                return "--method " + v + ": takes forward or forward-back";
            a.method = v == "forward" ? orv::AnimationMethod::ForwardOnly
                                      : orv::AnimationMethod::ForwardAndBack;
        } else if (word == "--speed") {
            const std::string v = i + 1 < args.size() ? args[++i] : "";
            long long n;
            if (!parseInt(v, n) || n < 1 || n > 100)
                return "--speed " + v + ": takes a whole number from 1 to 100";
            a.speed = int(n);
        } else if (parseRenderOption(args, i, o, wrong)) {
            if (!wrong.empty()) return wrong;
        } else if (!word.empty() && word[0] == '-') {
            return "unknown option: " + word;
        } else if (o.file.empty()) {
            o.file = word;
        } else {
            return "animate takes one file";
        }
    }
    if (o.file.empty()) return "animate needs a file";
    if (o.out.empty()) return "animate needs -o OUT.gif or -o DIR";
    const std::string x = lowerExtension(o.out);
    if (x == "png" || x == "bmp")
        return "the output is a .gif file or a folder for PNG frames: " + o.out;
    a.gif = x == "gif";
    if (o.frames && (*o.frames < 2 || *o.frames > 100000))
        return "--frames " + std::to_string(*o.frames) +
               ": an animation takes 2 to 100000 display steps";
    return checkOptionWords(o);
}

using Rgb = std::array<uint8_t, 3>;

// The pixels of a rectangle reduced to at most 256 colours: a colour index per pixel.
struct IndexedImage {
    std::vector<Rgb> palette;
    std::vector<uint8_t> indices;
};

uint32_t key(const uint8_t* p) {
    return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
}

// The rectangle's pixels (RGB, rows top-down, `stride` bytes apart) with their own colours
// when there are at most 256 of them.
bool exactColours(const uint8_t* rgb, size_t stride, int w, int h, IndexedImage& out) {
    std::unordered_map<uint32_t, uint8_t> index;
    out.palette.clear();
    out.indices.resize(size_t(w) * size_t(h));
    uint32_t last = 0xffffffff;
    uint8_t lastIndex = 0;
    for (int y = 0; y < h; ++y) {
        const uint8_t* p = rgb + size_t(y) * stride;
        for (int x = 0; x < w; ++x, p += 3) {
            const uint32_t k = key(p);
            if (k != last) {
                auto [it, added] = index.try_emplace(k, uint8_t(out.palette.size()));
                if (added) {
                    if (out.palette.size() == 256) return false;
                    out.palette.push_back({p[0], p[1], p[2]});
                }
                last = k;
                lastIndex = it->second;
            }
            out.indices[size_t(y) * size_t(w) + size_t(x)] = lastIndex;
        }
    }
    return true;
}

// Median cut over a histogram of 5 bits a channel.
void medianCut(const uint8_t* rgb, size_t stride, int w, int h, IndexedImage& out) {
    constexpr int kBins = 1 << 15;
    struct Bin {
        uint32_t count = 0;
        uint64_t sum[3] = {0, 0, 0};
    };
    std::vector<Bin> bins(kBins);
    const auto binOf = [](const uint8_t* p) {
        return int(p[0] >> 3) << 10 | int(p[1] >> 3) << 5 | int(p[2] >> 3);
    };
    for (int y = 0; y < h; ++y) {
        const uint8_t* p = rgb + size_t(y) * stride;
        for (int x = 0; x < w; ++x, p += 3) {
            Bin& b = bins[size_t(binOf(p))];
            ++b.count;
            for (int c = 0; c < 3; ++c)
                b.sum[c] += p[c];
        }
    }
    std::vector<int> used;  // the bins with pixels, in boxes of consecutive ranges
    for (int k = 0; k < kBins; ++k)
        if (bins[size_t(k)].count) used.push_back(k);
    struct Box {
        size_t begin, end;  // a range of `used`
        uint64_t pixels;
        int longest, length;  // its longest side: channel and extent in bins
    };
    const auto channel = [](int bin, int c) { return (bin >> (10 - 5 * c)) & 31; };
    const auto measure = [&](Box& box) {
        int lo[3] = {31, 31, 31}, hi[3] = {0, 0, 0};
        box.pixels = 0;
        for (size_t i = box.begin; i < box.end; ++i) {
            box.pixels += bins[size_t(used[i])].count;
            for (int c = 0; c < 3; ++c) {
                lo[c] = std::min(lo[c], channel(used[i], c));
                hi[c] = std::max(hi[c], channel(used[i], c));
            }
        }
        box.longest = 0;
        for (int c = 1; c < 3; ++c)
            if (hi[c] - lo[c] > hi[box.longest] - lo[box.longest]) box.longest = c;
        box.length = hi[box.longest] - lo[box.longest];
    };
    std::vector<Box> boxes{{0, used.size(), 0, 0, 0}};
    measure(boxes[0]);
    while (boxes.size() < 256) {
        // The box of most pixels times extent is split: large areas of a shade keep their
        // nuances, a few stray pixels do not take the palette.
        auto it = std::max_element(boxes.begin(), boxes.end(), [](const Box& a, const Box& b) {
            return a.pixels * uint64_t(a.length) < b.pixels * uint64_t(b.length);
        });
        if (it->length == 0) break;
        Box box = *it;
        const int c = box.longest;
        std::sort(used.begin() + long(box.begin), used.begin() + long(box.end),
                  [&](int a, int b) { return channel(a, c) < channel(b, c); });
        size_t cut = box.begin;
        for (uint64_t seen = 0; cut < box.end - 1 && seen * 2 < box.pixels; ++cut)
            seen += bins[size_t(used[cut])].count;
        cut = std::clamp(cut, box.begin + 1, box.end - 1);
        Box low{box.begin, cut, 0, 0, 0}, high{cut, box.end, 0, 0, 0};
        measure(low);
        measure(high);
        *it = low;
        boxes.push_back(high);
    }
    std::vector<uint8_t> paletteOf(kBins, 0);
    out.palette.clear();
    for (const Box& box : boxes) {
        uint64_t sum[3] = {0, 0, 0};
        for (size_t i = box.begin; i < box.end; ++i) {
            paletteOf[size_t(used[i])] = uint8_t(out.palette.size());
            for (int c = 0; c < 3; ++c)
                sum[c] += bins[size_t(used[i])].sum[c];
        }
        Rgb colour;
        for (int c = 0; c < 3; ++c)
            colour[size_t(c)] =
                uint8_t((sum[c] + box.pixels / 2) / std::max<uint64_t>(1, box.pixels));
        out.palette.push_back(colour);
    }
    out.indices.resize(size_t(w) * size_t(h));
    for (int y = 0; y < h; ++y) {
        const uint8_t* p = rgb + size_t(y) * stride;
        for (int x = 0; x < w; ++x, p += 3)
            out.indices[size_t(y) * size_t(w) + size_t(x)] = paletteOf[size_t(binOf(p))];
    }
}

// An animated GIF written frame by frame through the safe writer: the old file stays until
// the last frame is written, and nothing is left behind on failure.
class GifWriter {
  public:
    ~GifWriter() {
        if (gif_) EGifCloseFile(gif_, nullptr);
    }

    bool open(const std::string& path, int width, int height) {
        width_ = width;
        height_ = height;
        if (!out_.open(path)) return false;
        int error = 0;
        gif_ = EGifOpen(&out_, &GifWriter::write, &error);
        if (!gif_) return fail(error);
        EGifSetGifVersion(gif_, true);
        if (EGifPutScreenDesc(gif_, width, height, 8, 0, nullptr) == GIF_ERROR) return fail();
        // Played round and round, as the dialog does.
        static const unsigned char kLoop[3] = {1, 0, 0};
        if (EGifPutExtensionLeader(gif_, APPLICATION_EXT_FUNC_CODE) == GIF_ERROR ||
            EGifPutExtensionBlock(gif_, 11, "NETSCAPE2.0") == GIF_ERROR ||
            EGifPutExtensionBlock(gif_, 3, kLoop) == GIF_ERROR ||
            EGifPutExtensionTrailer(gif_) == GIF_ERROR)
            return fail();
        return true;
    }

    // A frame as RGB rows top-down, shown for `delay` hundredths of a second.
    bool add(const std::vector<uint8_t>& rgb, int delay) {
        int x0 = 0, y0 = 0, x1 = width_, y1 = height_;  // the rectangle that changed
        if (!previous_.empty()) changedRectangle(rgb, x0, y0, x1, y1);
        const size_t stride = size_t(width_) * 3;
        const uint8_t* origin = rgb.data() + size_t(y0) * stride + size_t(x0) * 3;
        const int w = x1 - x0, h = y1 - y0;
        if (!exactColours(origin, stride, w, h, image_)) medianCut(origin, stride, w, h, image_);
        previous_ = rgb;

        GraphicsControlBlock control{};
        control.DisposalMode = DISPOSE_DO_NOT;  // the next frame draws over this one
        control.DelayTime = delay;
        control.TransparentColor = NO_TRANSPARENT_COLOR;
        GifByteType extension[4];
        EGifGCBToExtension(&control, extension);
        int bits = 1;
        while ((1 << bits) < int(image_.palette.size()))
            ++bits;
        std::vector<GifColorType> colours(size_t(1) << bits, GifColorType{0, 0, 0});
        for (size_t k = 0; k < image_.palette.size(); ++k)
            colours[k] = {image_.palette[k][0], image_.palette[k][1], image_.palette[k][2]};
        ColorMapObject* map = GifMakeMapObject(1 << bits, colours.data());
        if (!map) return fail(E_GIF_ERR_NOT_ENOUGH_MEM);
        const bool described =
            EGifPutExtension(gif_, GRAPHICS_EXT_FUNC_CODE, 4, extension) != GIF_ERROR &&
            EGifPutImageDesc(gif_, x0, y0, w, h, false, map) != GIF_ERROR;
        GifFreeMapObject(map);
        if (!described) return fail();
        for (int y = 0; y < h; ++y)
            if (EGifPutLine(gif_, image_.indices.data() + size_t(y) * size_t(w), w) == GIF_ERROR)
                return fail();
        return !out_.failed();
    }

    bool close() {
        int error = 0;
        const int closed = EGifCloseFile(gif_, &error);
        gif_ = nullptr;
        if (closed == GIF_ERROR) return fail(error);
        return out_.commit();
    }

    const std::string& error() const { return error_; }

  private:
    static int write(GifFileType* gif, const GifByteType* data, int n) {
        auto* out = static_cast<orv::SafeFileWriter*>(gif->UserData);
        out->write(data, size_t(n));
        return out->failed() ? 0 : n;
    }

    bool fail(int code = 0) {
        if (!code && gif_) code = gif_->Error;
        // A failed write says its own reason; giflib's code only says that it failed.
        error_ = out_.failed() ? out_.errorText() : code ? GifErrorString(code) : "";
        return false;
    }

    // The smallest rectangle holding every pixel unlike the frame before; one pixel when
    // the frames are alike.
    void changedRectangle(const std::vector<uint8_t>& rgb, int& x0, int& y0, int& x1, int& y1) {
        const size_t stride = size_t(width_) * 3;
        const auto rowDiffers = [&](int y) {
            return std::memcmp(rgb.data() + size_t(y) * stride,
                               previous_.data() + size_t(y) * stride, stride) != 0;
        };
        while (y0 < y1 && !rowDiffers(y0))
            ++y0;
        while (y1 > y0 && !rowDiffers(y1 - 1))
            --y1;
        if (y0 == y1) {
            x0 = y0 = 0;
            x1 = y1 = 1;
            return;
        }
        x0 = width_;
        x1 = 0;
        for (int y = y0; y < y1; ++y) {
            const uint8_t* a = rgb.data() + size_t(y) * stride;
            const uint8_t* b = previous_.data() + size_t(y) * stride;
            for (int x = 0; x < x0; ++x)
                if (std::memcmp(a + 3 * x, b + 3 * x, 3) != 0) {
                    x0 = x;
                    break;
                }
            for (int x = width_ - 1; x >= x1; --x)
                if (std::memcmp(a + 3 * x, b + 3 * x, 3) != 0) {
                    x1 = x + 1;
                    break;
                }
        }
    }

    orv::SafeFileWriter out_;
    GifFileType* gif_ = nullptr;
    int width_ = 0, height_ = 0;
    std::vector<uint8_t> previous_;
    IndexedImage image_;
    std::string error_;
};

// The frame's pixels as RGB rows top-down.
void toRgb(const orv::FrameImage& image, std::vector<uint8_t>& rgb) {
    const int w = image.header.width, h = image.header.height;
    const size_t row = orv::FrameImage::rowSize(w);
    rgb.resize(size_t(w) * size_t(h) * 3);
    for (int y = 0; y < h; ++y) {
        const uint8_t* src = image.pixels.data() + size_t(h - 1 - y) * row;
        uint8_t* dst = rgb.data() + size_t(y) * size_t(w) * 3;
        for (int x = 0; x < w; ++x) {
            dst[3 * x] = src[3 * x + 2];
            dst[3 * x + 1] = src[3 * x + 1];
            dst[3 * x + 2] = src[3 * x];
        }
    }
}

// The folder for PNG frames, made when it is missing.
bool makeFolder(const std::string& path) {
    struct stat s;
    if (::stat(path.c_str(), &s) == 0) {
        if (S_ISDIR(s.st_mode)) return true;
        errno = ENOTDIR;
    } else if (errno == ENOENT && ::mkdir(path.c_str(), 0777) == 0) {
        return true;
    }
    std::fprintf(stderr, "orvanta-batch: could not make the folder %s: %s\n",
                 withoutControls(path).c_str(), std::strerror(errno));
    return false;
}

int animateFile(AnimateOptions& a) {
    RenderOptions& o = a.render;
    if (!readColourFile(o)) return 1;
    StderrMessages messages;
    orv::setFatalMessages(&messages);
    orv::Scene scene(messages);
    if (!openModel(o, scene)) return 1;
    // The growing deformation of a single step or a mode takes the dialog's display steps.
    if (scene.oscillationMode() && !o.frames) o.frames = 10;
    if (const std::string wrong = outOfRange(o, scene); !wrong.empty())
        return animateUsageError(wrong);
    if (!a.gif && !makeFolder(o.out)) return 1;
    orv::HeadlessContext context;
    orv::OpenGl gl;
    if (!startDrawing(o, scene, context, gl)) return 1;
    if (!applyOptions(o, scene, messages)) return 1;
    const int displaySteps = int(o.frames ? *o.frames : scene.settings().shown.count);
    if (!scene.startAnimation(displaySteps, double(scene.settings().magnification), a.method))
        return 1;
    const int frames = scene.animationRoundLength();
    const int period = 1001 - 10 * a.speed;
    const int delay = std::max(2, (period + 5) / 10);

    GifWriter gif;
    std::vector<std::string> written;  // PNG frames, removed again when one fails
    const auto failed = [&](const std::string& path, const std::string& reason) {
        messages.showMessage("Could not save to file!");
        if (!reason.empty() && orv::lastFileError().empty()) orv::recordFileError(reason);
        reportFailure("write", path);
        for (const std::string& f : written)
            std::remove(f.c_str());
        return 1;
    };
    orv::clearFileError();
    if (a.gif && !gif.open(o.out, o.width, o.height)) return failed(o.out, gif.error());
    TerminalProgress progress;
    progress.setText("Draw frames ...");
    orv::FrameImage image;
    std::vector<uint8_t> rgb;
    for (int f = 0; f < frames; ++f) {
        scene.drawFrame(gl, f == 0);
        if (!orv::readFrame(gl, image)) {
            progress.finish();
            messages.showMessage("Unable to get OpenGL bitmap from screen!");
            std::fprintf(stderr, "orvanta-batch: no memory for a picture of %dx%d pixels\n",
                         o.width, o.height);
            for (const std::string& file : written)
                std::remove(file.c_str());
            return 1;
        }
        if (a.gif) {
            toRgb(image, rgb);
            if (!gif.add(rgb, delay)) {
                progress.finish();
                return failed(o.out, gif.error());
            }
        } else {
            char name[32];
            std::snprintf(name, sizeof name, "/frame_%04d.png", f + 1);
            const std::string path = o.out + name;
            if (!orv::writePngFile(path, image)) {
                progress.finish();
                return failed(path, "");
            }
            written.push_back(path);
        }
        scene.advanceStep();
        progress.setPosition(int(100LL * (f + 1) / frames));
    }
    progress.finish();
    if (a.gif && !gif.close()) return failed(o.out, gif.error());
    return 0;
}

}  // namespace

int animate(const std::vector<std::string>& args) {
    if (std::find(args.begin(), args.end(), "--help") != args.end()) {
        std::fputs(animateUsage().c_str(), stdout);
        return 0;
    }
    AnimateOptions a;
    if (const std::string wrong = parseOptions(args, a); !wrong.empty())
        return animateUsageError(wrong);
    try {
        return animateFile(a);
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "orvanta-batch: out of memory animating %s at %dx%d\n",
                     withoutControls(a.render.file).c_str(), a.render.width, a.render.height);
        return 1;
    }
}

}  // namespace batch
