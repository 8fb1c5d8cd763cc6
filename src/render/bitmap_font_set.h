#pragma once
// Text in pictures: nine bitmap fonts, each a block of 96 display lists for the characters
// 32..127, rasterised 1-bit by FreeType from fonts that fontconfig finds (Liberation Sans,
// Mono and Serif stand in for Arial, Courier and Times: same metrics). Text is drawn at the
// current raster position in the current colour. The fonts are made for a device pixel
// scale: a set made for 2 draws every font twice as tall, and its metrics say so.
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

// The ink of a font in device pixels: every character lies within `ascent` above and
// `descent` below the baseline.
struct FontMetrics {
    float ascent = 0, descent = 0;
    float height() const { return ascent + descent; }
};

class BitmapFontSet {
  public:
    BitmapFontSet() = default;
    BitmapFontSet(const BitmapFontSet&) = delete;
    BitmapFontSet& operator=(const BitmapFontSet&) = delete;

    // Builds the nine fonts' lists in the current context, each `scale` times its nominal
    // height (1 to 8). A font that cannot be had keeps base 0, draws nothing and measures
    // nothing; problem() then says why.
    void create(Gl& gl, float scale = 1.0f);
    // Deletes the lists (in the context they were made in).
    void destroy(Gl& gl);
    // Forgets the lists without deleting them, for a context that is already gone.
    void forget();
    unsigned base(Font font) const { return bases_[size_t(font)]; }
    // True when every font has its lists: otherwise pictures lack some or all of their text.
    bool usable() const;
    // Why the first font missing could not be made; empty when the set is usable.
    const std::string& problem() const { return problem_; }
    float scale() const { return scale_; }

    FontMetrics metrics(Font font) const { return shapes_[size_t(font)].metrics; }
    // How far draw() takes the text to the right, in device pixels: the characters'
    // advances, and the ink of the last one beyond its advance.
    float width(Font font, std::string_view text) const;

    // Draws the text's characters 32..127; any other byte is skipped without a gap.
    void draw(Gl& gl, Font font, std::string_view text) const;

  private:
    struct Shape {
        FontMetrics metrics;
        std::array<float, 96> advance{}, inkRight{};  // per character, from the pen position
    };
    std::array<unsigned, kFontCount> bases_{};
    std::array<Shape, kFontCount> shapes_{};
    std::string problem_ = "The fonts were not made.";
    float scale_ = 1.0f;
};

}  // namespace orv
