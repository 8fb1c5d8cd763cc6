#pragma once
// Text in pictures: nine bitmap fonts, each a block of 96 display lists for the characters
// 32..127, rasterised 1-bit by FreeType from fonts that fontconfig finds (Liberation Sans,
// Mono and Serif stand in for Arial, Courier and Times: same metrics). Text is drawn at the
// current raster position in the current colour.
#include <array>
#include <string>
#include <string_view>

namespace orv {

class Gl;

enum class Font {
    Arial12,
    Arial14,
    Courier12Bold,
    Courier14,
    Courier14Bold,
    Arial16,
    Times16Bold,
    Times18Bold,
    Times20Bold,
};
constexpr int kFontCount = 9;

class BitmapFontSet {
  public:
    BitmapFontSet() = default;
    BitmapFontSet(const BitmapFontSet&) = delete;
    BitmapFontSet& operator=(const BitmapFontSet&) = delete;

    // Builds the nine fonts' lists in the current context; a font that cannot be had keeps
    // base 0 and draws nothing.
    void create(Gl& gl);
    // Deletes the lists (in the context they were made in).
    void destroy(Gl& gl);
    // Forgets the lists without deleting them, for a context that is already gone.
    void forget() { bases_.fill(0); }
    unsigned base(Font font) const { return bases_[size_t(font)]; }
    bool created() const;

    // Draws the text's characters 32..127; any other byte is skipped without a gap.
    void draw(Gl& gl, Font font, std::string_view text) const;

  private:
    std::array<unsigned, kFontCount> bases_{};
};

// Creates the 96 lists of one font; 0 when no lists can be reserved or no such font exists.
unsigned createBitmapFont(Gl& gl, const std::string& face, int height, int weight, bool italic);

}  // namespace orv
