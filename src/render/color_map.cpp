#include "color_map.h"

#include <algorithm>

#include "gl.h"

namespace orv {

void ColorMap::resetDefaults() {
    // Blue -> cyan -> green -> yellow -> red, one channel moving by 0.2 per entry.
    for (int i = 0; i < kMaxBands; ++i) {
        const float t = 0.2f * float(i % 5);
        Rgb c;
        if (i < 5)
            c = {0, t, 1};
        else if (i < 10)
            c = {0, 1, 1 - t};
        else if (i < 15)
            c = {t, 1, 0};
        else if (i < 20)
            c = {1, 1 - t, 0};
        else
            c = {1, 0, 0};
        base[size_t(i)] = c;
    }
    active = base;
    greyMode = false;
    divisions = 15;
}

void ColorMap::setDivisions(bool grey, int n) {
    if (n < 2 || n > kMaxBands) return;
    greyMode = grey;
    divisions = n;
    active[0] = base[0];
    active[size_t(n - 1)] = base[20];
    if (n <= 2) return;
    const float step = 18.0f / float(n - 1);
    for (int k = 1; k <= n - 2; ++k) {
        const float x = float(k) * step;
        const int i = int(x);
        const float f = x - float(i);
        for (int c = 0; c < 3; ++c)
            active[size_t(k)][size_t(c)] =
                (1 - f) * base[size_t(i)][size_t(c)] + f * base[size_t(i + 1)][size_t(c)];
    }
}

Rgb ColorMap::bandColour(int i) const {
    if (greyMode) {
        // From light to dark as the values rise; the darkest band stays well apart from a
        // black background.
        constexpr float kLightest = 0.9f, kDarkest = 0.25f;
        const int last = std::max(divisions - 1, 1);
        const float t = float(std::clamp(i, 0, last)) / float(last);
        const float g = kLightest - (kLightest - kDarkest) * t;
        return {g, g, g};
    }
    if (i >= kMaxBands) i -= kMaxBands;
    if (i < 0 || i >= kMaxBands) i = 0;
    return active[size_t(i)];
}

void ColorMap::applyColour(Gl& gl, const Rgb& c) {
    gl.color(c[0], c[1], c[2]);
}

namespace {
constexpr Rgb kBasePalette[16] = {{1, 0, 0},    {0.6f, 0.6f, 0.6f}, {0, 0, 1},     {1, 0.7f, 0},
                                  {0, 0.6f, 1}, {1, 1, 0},          {0, 0.8f, 1},  {1, 0.5f, 0},
                                  {0, 1, 0},    {0, 0.9f, 1},       {0, 1, 0.55f}, {0, 1, 0.8f},
                                  {0.7f, 1, 0}, {1, 0.85f, 0},      {0, 0, 0},     {1, 1, 1}};

constexpr Rgb kMaterials[20] = {
    {1, 0.5f, 0},       {0, 1, 0},          {0, 0, 1},       {1, 1, 0},       {0, 0.5f, 0.5f},
    {0.5f, 0.8f, 0},    {0, 0.5f, 0.2f},    {0.6f, 0.6f, 0}, {0, 0.8f, 1},    {0.8f, 0.3f, 0},
    {0.5f, 0, 1},       {1, 0.5f, 0.5f},    {1, 1, 0},       {0, 0.6f, 1},    {1, 0.7f, 0},
    {0.6f, 0.2f, 0.4f}, {0.8f, 0.2f, 0.2f}, {0.5f, 0.5f, 0}, {0, 0.5f, 0.5f}, {0.4f, 0.7f, 1}};
}  // namespace

Rgb basePalette(int index) {
    if (index < 0 || index > 15) return {0, 1, 1};
    return kBasePalette[index];
}

void basePalette(Gl& gl, int index) {
    ColorMap::applyColour(gl, basePalette(index));
}

void basePalette(int index, float out[3]) {
    const Rgb c = index < 0 || index > 15 ? Rgb{1, 1, 0} : kBasePalette[index];
    std::copy(c.begin(), c.end(), out);
}

Rgb materialColour(int m) {
    if (m >= 1 && m <= 40) return kMaterials[(m - 1) % 20];
    const float k = float(m % 10 + 1);
    Rgb c = {0.1f * k, 1 - 0.1f * k, 0.8f * k + 0.2f};
    for (float& v : c)
        v = std::clamp(v, 0.0f, 1.0f);
    return c;
}

void materialPalette(Gl& gl, int m) {
    ColorMap::applyColour(gl, materialColour(m));
}

}  // namespace orv
