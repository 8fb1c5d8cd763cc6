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
using GlyphSet = std::array<Glyph, 96>;

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

bool rasterise(const std::string& path, int cellHeight, GlyphSet& glyphs) {
    FT_Library library;
    if (FT_Init_FreeType(&library) != 0) return false;
    FT_Face face;
    if (FT_New_Face(library, path.c_str(), 0, &face) != 0) {
        FT_Done_FreeType(library);
        return false;
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
    for (int c = 32; c < 128; ++c) {
        Glyph& g = glyphs[size_t(c - 32)];
        if (c == 127) continue;  // no glyph: draws nothing, moves nothing
        if (FT_Load_Char(face, FT_ULong(c), FT_LOAD_RENDER | FT_LOAD_TARGET_MONO) != 0) continue;
        const FT_GlyphSlot slot = face->glyph;
        const FT_Bitmap& bm = slot->bitmap;
        g.width = int(bm.width);
        g.height = int(bm.rows);
        g.xorig = float(-slot->bitmap_left);
        g.yorig = float(g.height - slot->bitmap_top);
        g.advance = float(slot->advance.x) / 64.0f;
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
    return true;
}

// Rasterised once per process: printing builds the fonts again for another context.
const GlyphSet* glyphsFor(const std::string& face, int height, int weight, bool italic) {
    static std::mutex mutex;
    static std::map<std::string, std::unique_ptr<GlyphSet>> cache;
    const std::string key =
        face + "/" + std::to_string(height) + "/" + std::to_string(weight) + (italic ? "/i" : "");
    std::lock_guard<std::mutex> lock(mutex);
    auto it = cache.find(key);
    if (it != cache.end()) return it->second.get();
    std::unique_ptr<GlyphSet> glyphs;
    const std::string path = fontFile(standIn(face), weight, italic);
    if (!path.empty()) {
        glyphs = std::make_unique<GlyphSet>();
        if (!rasterise(path, height, *glyphs)) glyphs.reset();
    }
    return cache.emplace(key, std::move(glyphs)).first->second.get();
}

}  // namespace

unsigned createBitmapFont(Gl& gl, const std::string& face, int height, int weight, bool italic) {
    const GlyphSet* glyphs = glyphsFor(face, height, weight, italic);
    if (!glyphs) return 0;
    const unsigned base = gl.genLists(96);
    if (base == 0) return 0;
    for (int i = 0; i < 96; ++i) {
        const Glyph& g = (*glyphs)[size_t(i)];
        gl.newList(base + unsigned(i));
        gl.bitmap(g.width, g.height, g.xorig, g.yorig, g.advance, 0.0f,
                  g.bits.empty() ? nullptr : g.bits.data());
        gl.endList();
    }
    return base;
}

void BitmapFontSet::create(Gl& gl) {
    for (int i = 0; i < kFontCount; ++i)
        bases_[size_t(i)] =
            createBitmapFont(gl, kFonts[i].face, kFonts[i].height, kFonts[i].weight, false);
}

void BitmapFontSet::destroy(Gl& gl) {
    for (unsigned& base : bases_) {
        if (base) gl.deleteLists(base, 96);
        base = 0;
    }
}

bool BitmapFontSet::created() const {
    return std::all_of(bases_.begin(), bases_.end(), [](unsigned b) { return b != 0; });
}

void BitmapFontSet::draw(Gl& gl, Font font, std::string_view text) const {
    const unsigned base = bases_[size_t(font)];
    if (base == 0 || text.empty()) return;
    std::string shown;
    shown.reserve(text.size());
    for (char c : text) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u >= 32 && u <= 127) shown += c;
    }
    if (!shown.empty()) gl.callLists(base - 32, shown.data(), int(shown.size()));
}

}  // namespace orv
