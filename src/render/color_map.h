#pragma once
// Contour colours: a 21-entry rainbow from blue to red resampled to the number of bands,
// or a grey ramp from light grey to a dark grey that is not black; and the fixed drawing and
// material palettes.
#include <array>
#include <cstddef>

namespace orv {

class Gl;

using Rgb = std::array<float, 3>;

class ColorMap {
  public:
    static constexpr int kMaxBands = 21;

    std::array<Rgb, kMaxBands> active{};
    std::array<Rgb, kMaxBands> base{};
    bool greyMode = false;
    int divisions = 15;

    ColorMap() { resetDefaults(); }
    void resetDefaults();
    // Does nothing unless 2 <= n <= 21.
    void setDivisions(bool grey, int n);
    // The colour of band i.
    Rgb bandColour(int i) const;
    void applyBand(Gl& gl, int i) const { applyColour(gl, bandColour(i)); }
    static void applyColour(Gl& gl, const Rgb& c);
};

// The seven colours the user sets, by item: the frame's background, the legend panel's
// background, its texts, the job title, the axis triad, node numbers and element labels.
enum class ColourItem : int {
    FrameBkg = 0,
    LabelBkg = 1,
    LabelFont = 2,
    TitleFont = 3,
    AxisColor = 4,
    NodeNb = 5,
    ElemNb = 6,
};
constexpr int kColourItemCount = 7;

struct UserColours {
    std::array<Rgb, kColourItemCount> rgb{
        {{0, 0, 0}, {0.2f, 0.2f, 0.59f}, {1, 1, 1}, {1, 1, 1}, {1, 0, 0}, {1, 1, 1}, {1, 1, 0}}};
    const Rgb& operator[](ColourItem i) const { return rgb[size_t(i)]; }
    Rgb& operator[](ColourItem i) { return rgb[size_t(i)]; }
};

// The 16 fixed drawing colours; an index outside 0..15 gives cyan.
Rgb basePalette(int index);
void basePalette(Gl& gl, int index);
// The same table for callers that copy the colour: an index outside 0..15 gives yellow.
void basePalette(int index, float out[3]);
// The colour of material number m, clamped to 0..1 as OpenGL would.
Rgb materialColour(int m);
void materialPalette(Gl& gl, int m);

}  // namespace orv
