#include "bitmap_font_set.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cctype>
#include <cmath>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "gl.h"

namespace orv {

namespace {

struct FontSpec {
    const char* face;
    int height;
    int weight;
};
constexpr FontSpec kFonts[kFontCount] = {
    {"Arial", 12, 300},   {"Arial", 14, 300},   {"Courier", 12, 700},
    {"Courier", 14, 300}, {"Courier", 14, 700}, {"Arial", 16, 300},
    {"Times", 16, 700},   {"Times", 18, 700},   {"Times", 20, 700}};

// A glyph as glBitmap wants it: rows from the bottom up, each padded to a whole byte.
struct Glyph {
    int width = 0, height = 0;
    float xorig = 0, yorig = 0, advance = 0;
    std::vector<uint8_t> bits;
};
struct GlyphSet {
    std::array<Glyph, 96> glyphs;
    float ascent = 0, descent = 0;  // the ink of all glyphs above and below the baseline
};
// A font's glyphs, or why there are none.
struct Rasterised {
    std::unique_ptr<GlyphSet> glyphs;
    std::string problem;
};

std::string standIn(const std::string& face) {
    std::string lower = face;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    if (lower == "arial") return "Liberation Sans";
    if (lower == "courier" || lower == "courier new") return "Liberation Mono";
    if (lower == "times" || lower == "times new roman") return "Liberation Serif";
    return face;
}

std::string fontFile(const std::string& family, int weight, bool italic) {
    // Loading the configuration reads every font cache: once per process is enough.
    static FcConfig* const config = FcInitLoadConfigAndFonts();
    if (!config) return {};
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, weight >= 600 ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result;
    FcPattern* match = FcFontMatch(config, pattern, &result);
    std::string path;
    FcChar8* file = nullptr;
    if (match && FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch)
        path = reinterpret_cast<const char*>(file);
    if (match) FcPatternDestroy(match);
    FcPatternDestroy(pattern);
    return path;
}

// The sans-serif digits of FreeType's own hinting run together at 12 to 14 pixels in 1-bit
// ("000" reads as one blob); its automatic hinter keeps each digit's counter open. The
// monospaced and serif fonts keep the hinting of their files, which holds at those sizes.
bool autohinted(const std::string& family) {
    return family == "Liberation Sans";
}

std::string rasterise(const std::string& path, int cellHeight, bool autohint, GlyphSet& set) {
    FT_Library library;
    if (FT_Init_FreeType(&library) != 0) return "FreeType cannot start.";
    FT_Face face;
    if (FT_New_Face(library, path.c_str(), 0, &face) != 0) {
        FT_Done_FreeType(library);
        return "FreeType cannot read " + path + ".";
    }
    // The height is the cell height (ascent plus descent), as the fonts' own metrics say.
    int ascent = face->ascender, descent = -face->descender;
    if (const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2))) {
        if (os2->usWinAscent + os2->usWinDescent > 0) {
            ascent = os2->usWinAscent;
            descent = os2->usWinDescent;
        }
    }
    const int cell = std::max(1, ascent + descent);
    const FT_UInt pixels =
        FT_UInt(std::max(1L, std::lround(double(cellHeight) * face->units_per_EM / cell)));
    FT_Set_Pixel_Sizes(face, 0, pixels);
    const FT_Int32 flags =
        FT_LOAD_RENDER | FT_LOAD_TARGET_MONO | (autohint ? FT_LOAD_FORCE_AUTOHINT : 0);
    for (int c = 32; c < 128; ++c) {
        Glyph& g = set.glyphs[size_t(c - 32)];
        if (c == 127) continue;  // no glyph: draws nothing, moves nothing
        if (FT_Load_Char(face, FT_ULong(c), flags) != 0) continue;
        const FT_GlyphSlot slot = face->glyph;
        const FT_Bitmap& bm = slot->bitmap;
        g.width = int(bm.width);
        g.height = int(bm.rows);
        g.xorig = float(-slot->bitmap_left);
        g.yorig = float(g.height - slot->bitmap_top);
        g.advance = float(slot->advance.x) / 64.0f;
        if (g.height > 0) {
            set.ascent = std::max(set.ascent, float(slot->bitmap_top));
            set.descent = std::max(set.descent, g.yorig);
        }
        const int stride = (g.width + 7) / 8;
        g.bits.assign(size_t(stride) * size_t(g.height), 0);
        for (int y = 0; y < g.height; ++y) {
            const uint8_t* src = bm.buffer + ptrdiff_t(y) * bm.pitch;
            uint8_t* dst = g.bits.data() + size_t(g.height - 1 - y) * size_t(stride);
            std::copy(src, src + stride, dst);
        }
    }
    FT_Done_Face(face);
    FT_Done_FreeType(library);
    return {};
}

// Rasterised once per process: printing builds the fonts again for another context.
const Rasterised& glyphsFor(const FontSpec& font, int height) {
    static std::mutex mutex;
    static std::map<std::string, Rasterised> cache;
    const std::string key =
        std::string(font.face) + "/" + std::to_string(height) + "/" + std::to_string(font.weight);
    std::lock_guard<std::mutex> lock(mutex);
    auto it = cache.find(key);
    if (it != cache.end()) return it->second;
    Rasterised r;
    const std::string family = standIn(font.face);
    const std::string path = fontFile(family, font.weight, false);
    if (path.empty()) {
        r.problem = "No font file for " + family + " can be found.";
    } else {
        r.glyphs = std::make_unique<GlyphSet>();
        r.problem = rasterise(path, height, autohinted(family), *r.glyphs);
        if (!r.problem.empty()) r.glyphs.reset();
    }
    return cache.emplace(key, std::move(r)).first->second;
}

unsigned createLists(Gl& gl, const GlyphSet& set) {
    const unsigned base = gl.genLists(96);
    if (base == 0) return 0;
    for (int i = 0; i < 96; ++i) {
        const Glyph& g = set.glyphs[size_t(i)];
        gl.newList(base + unsigned(i));
        gl.bitmap(g.width, g.height, g.xorig, g.yorig, g.advance, 0.0f,
                  g.bits.empty() ? nullptr : g.bits.data());
        gl.endList();
    }
    return base;
}

}  // namespace

void BitmapFontSet::create(Gl& gl, float scale) {
    scale_ = std::isfinite(scale) ? std::clamp(scale, 1.0f, 8.0f) : 1.0f;
    problem_.clear();
    for (int i = 0; i < kFontCount; ++i) {
        const int height = std::max(1, int(std::lround(float(kFonts[i].height) * scale_)));
        const Rasterised& r = glyphsFor(kFonts[i], height);
        Shape& shape = shapes_[size_t(i)];
        shape = Shape{};
        bases_[size_t(i)] = r.glyphs ? createLists(gl, *r.glyphs) : 0;
        if (bases_[size_t(i)] == 0) {
            if (problem_.empty())
                problem_ = r.glyphs ? "No display lists can be made for the fonts." : r.problem;
            continue;
        }
        shape.metrics = {r.glyphs->ascent, r.glyphs->descent};
        for (size_t c = 0; c < 96; ++c) {
            const Glyph& g = r.glyphs->glyphs[c];
            shape.advance[c] = g.advance;
            shape.inkRight[c] = float(g.width) - g.xorig;
        }
    }
}

void BitmapFontSet::destroy(Gl& gl) {
    for (unsigned& base : bases_)
        if (base) gl.deleteLists(base, 96);
    forget();
}

void BitmapFontSet::forget() {
    bases_.fill(0);
    shapes_.fill(Shape{});
    problem_ = "The fonts were not made.";
}

bool BitmapFontSet::usable() const {
    return std::all_of(bases_.begin(), bases_.end(), [](unsigned b) { return b != 0; });
}

namespace {

// The characters draw() keeps.
template <class F>
void forDrawn(std::string_view text, F f) {
    for (char c : text) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u >= 32 && u <= 127) f(u);
    }
}

}  // namespace

float BitmapFontSet::width(Font font, std::string_view text) const {
    const Shape& s = shapes_[size_t(font)];
    float pen = 0, right = 0;
    forDrawn(text, [&](unsigned char c) {
        right = std::max(right, pen + s.inkRight[c - 32u]);
        pen += s.advance[c - 32u];
    });
    return std::max(pen, right);
}

void BitmapFontSet::draw(Gl& gl, Font font, std::string_view text) const {
    const unsigned base = bases_[size_t(font)];
    if (base == 0 || text.empty()) return;
    std::string shown;
    shown.reserve(text.size());
    forDrawn(text, [&](unsigned char c) { shown += char(c); });
    if (!shown.empty()) gl.callLists(base - 32, shown.data(), int(shown.size()));
}

}  // namespace orv
