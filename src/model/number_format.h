#pragma once
// Number forms of the files and listings the system writes: scientific notation whose
// exponent always has at least three digits (1.2500e+002), right-aligned fields.
#include <charconv>
#include <cstdint>
#include <cstring>
#include <string>

namespace orv {

// Writes v in scientific notation with `precision` digits after the point and a three-digit
// exponent; returns the number of characters (at most 32). Non-finite values are written as
// inf, -inf or nan. Zero has no sign: -0 is written as 0.
inline int formatScientific(char* out, double v, int precision) {
    if (v == 0.0) v = 0.0;
    char tmp[40];
    const auto r =
        std::to_chars(tmp, tmp + sizeof tmp, v, std::chars_format::scientific, precision);
    int len = int(r.ptr - tmp);
    const char* e = static_cast<const char*>(std::memchr(tmp, 'e', size_t(len)));
    if (e && (tmp + len) - e == 4) {  // "e+dd": widen the exponent to three digits
        const int head = int(e - tmp) + 2;
        std::memcpy(out, tmp, size_t(head));
        out[head] = '0';
        std::memcpy(out + head + 1, tmp + head, 2);
        return len + 1;
    }
    std::memcpy(out, tmp, size_t(len));
    return len;
}

// Right-aligns the characters text[0..len) in a field of `width` characters.
inline int padLeft(char* out, const char* text, int len, int width) {
    int pad = width > len ? width - len : 0;
    std::memset(out, ' ', size_t(pad));
    std::memcpy(out + pad, text, size_t(len));
    return pad + len;
}

inline int formatScientificField(char* out, double v, int precision, int width) {
    char tmp[40];
    return padLeft(out, tmp, formatScientific(tmp, v, precision), width);
}

inline int formatIntField(char* out, long long v, int width) {
    char tmp[24];
    const auto r = std::to_chars(tmp, tmp + sizeof tmp, v);
    return padLeft(out, tmp, int(r.ptr - tmp), width);
}

inline std::string scientific(double v, int precision) {
    char tmp[40];
    return std::string(tmp, size_t(formatScientific(tmp, v, precision)));
}

}  // namespace orv
