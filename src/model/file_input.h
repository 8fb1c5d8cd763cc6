#pragma once
// Buffered sequential reading of result files: raw little-endian fields for the binary
// format, whitespace-separated tokens and whole lines for the text format. Both know the
// file size, so readers can check counts against what the file can hold before allocating.
#include <bit>
#include <cstdint>
#include <cstring>
#include <new>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace orv {

static_assert(std::endian::native == std::endian::little,
              "the binary result format is little-endian");

// Storage that starts on a page: the kernel copies from the page cache several times
// faster into a buffer laid out like the file's pages than into one a few bytes off.
template <class T>
struct PageAlignedAllocator {
    using value_type = T;
    static constexpr std::align_val_t kPage{4096};
    PageAlignedAllocator() = default;
    template <class U>
    PageAlignedAllocator(const PageAlignedAllocator<U>&) {}
    T* allocate(size_t n) { return static_cast<T*>(::operator new(n * sizeof(T), kPage)); }
    void deallocate(T* p, size_t) { ::operator delete(p, kPage); }
    bool operator==(const PageAlignedAllocator&) const = default;
};

class FileInput {
  public:
    explicit FileInput(size_t bufferSize = size_t(1) << 20);
    ~FileInput();
    FileInput(const FileInput&) = delete;
    FileInput& operator=(const FileInput&) = delete;

    // Opens a regular file for reading; false when it cannot be opened.
    bool open(const std::string& path);
    int64_t size() const { return size_; }
    int64_t offset() const { return bufferOffset_ + int64_t(pos_); }
    int64_t remaining() const { return size_ - offset(); }

  protected:
    // Bytes the buffer keeps beyond its capacity, so that scans may read a word of eight bytes
    // at any position before end_.
    static constexpr size_t kSlack = 16;
    size_t capacity() const { return buffer_.size() - kSlack; }
    // Reads more bytes after end_, keeping [pos_, end_); false at end of file or on error.
    bool fill();
    // Moves [from, end_) to the front of the buffer.
    void compactFrom(size_t from);

    std::vector<char, PageAlignedAllocator<char>> buffer_;
    size_t pos_ = 0, end_ = 0;
    int64_t bufferOffset_ = 0;  // file offset of buffer_[0]
    int64_t size_ = 0;
    int fd_ = -1;
};

class BinaryInput : public FileInput {
  public:
    static constexpr size_t kPage = 4096;

    bool read(void* dst, size_t n) {
        if (end_ - pos_ >= n) {
            std::memcpy(dst, buffer_.data() + pos_, n);
            pos_ += n;
            return true;
        }
        return readSlow(dst, n);
    }
    bool readInt(int32_t& v) { return read(&v, 4); }
    bool readFloat(float& v) { return read(&v, 4); }

    // The bytes buffered from the current offset on, reading more first when fewer than
    // `want` are buffered: at least `want` of them unless the file ends before or `want` is
    // more than maxPeek(). Valid until the next read, peek or skip.
    std::span<const char> peek(size_t want) {
        while (end_ - pos_ < want && refill()) {
        }
        return {buffer_.data() + pos_, end_ - pos_};
    }
    // Consumes n bytes of those peek() returned.
    void skip(size_t n) { pos_ += n; }
    // Reads n bytes at a file offset without moving the current offset; false when the file
    // ends before or cannot be read.
    bool readAt(int64_t offset, void* dst, size_t n) const;
    size_t maxPeek() const { return buffer_.size() - kPage; }

  private:
    bool readSlow(void* dst, size_t n);
    // Moves the unread bytes to the place they have within a page of the file, so that every
    // read lands at its own offset within a page, then reads as much as the buffer holds;
    // false at end of file, on error or when the buffer is full.
    bool refill();
};

class TextInput : public FileInput {
  public:
    enum class Token { Ok, End, TooLong };
    static constexpr size_t kMaxTokenLength = 4096;
    // The buffer starts small, for the many small files, and line windows grow it to the
    // file's size up to kLargeBufferSize.
    static constexpr size_t kFirstBufferSize = size_t(64) << 10;
    static constexpr size_t kLargeBufferSize = size_t(4) << 20;

    TextInput() : FileInput(kFirstBufferSize) {}

    // The next whitespace-separated word; the view stays valid until the next call.
    Token next(std::string_view& word);
    // Reads the rest of the current line (without its CR LF or LF); false at end of file.
    // Characters beyond maxLength are consumed but not kept, and tooLong is set.
    bool readLine(std::string& line, size_t maxLength, bool& tooLong);
    // Skips white space; true when nothing else is left.
    bool atEnd();
    // Line of the last word read (1-based).
    int64_t line() const { return tokenLine_; }
    int64_t currentLine() const { return line_; }

    // Skips blanks up to the end of the current line and that line end; true when the next
    // byte starts a line, false when a word follows on this line or the file ends.
    bool skipToLineStart();
    // The complete lines from the current position, as many as the buffer holds (refilled
    // when less than half of it is left), each ended by '\n'; empty when no line end follows.
    // Eight bytes after the window can be read. Valid until the next call of any other
    // function.
    std::string_view lineWindow();
    // Moves past `bytes` of the window, which hold `lines` line ends.
    void consumeLines(size_t bytes, int64_t lines) {
        pos_ += bytes;
        line_ += lines;
    }

  private:
    int64_t line_ = 1;
    int64_t tokenLine_ = 1;
    int64_t scannedTo_ = 0;  // file offset up to which lineWindow searched for line ends
    int64_t lineEnd_ = 0;    // file offset after the last line end it found
};

enum class NumberStatus { Ok, Malformed, OutOfRange };

// Decimal integer: an optional sign and digits, nothing else.
NumberStatus parseInteger(std::string_view word, int64_t& value);
// Real in fixed or scientific notation (or inf / nan), correctly rounded to float.
NumberStatus parseReal(std::string_view word, float& value);

// Scanning numbers in place, for lines in a read buffer: a word runs up to the next white
// space, and each line of the buffer ends with '\n', which stops every scan. A scan gives
// exactly what parseInteger and parseReal give for the word, and fails where they fail.
namespace scan {

struct CharTable {
    bool blank[256] = {};  // white space other than the line end
    bool space[256] = {};  // white space
    constexpr CharTable() {
        for (unsigned char c : {' ', '\t', '\r', '\v', '\f'})
            blank[c] = space[c] = true;
        space[unsigned('\n')] = true;
    }
};
inline constexpr CharTable kChars;
inline bool isBlank(char c) {
    return kChars.blank[static_cast<unsigned char>(c)];
}
inline bool isSpace(char c) {
    return kChars.space[static_cast<unsigned char>(c)];
}
inline const char* skipBlanks(const char* p) {
    while (isBlank(*p))
        ++p;
    return p;
}
inline bool isDigit(char c) {
    return unsigned(c - '0') <= 9;
}

// Eight bytes at p read as eight decimal digits (the first the most significant); false when
// they are not all digits.
inline bool eightDigits(const char* p, uint64_t& value) {
    uint64_t x;
    std::memcpy(&x, p, 8);
    if ((((x + 0x4646464646464646) | (x - 0x3030303030303030)) & 0x8080808080808080) != 0)
        return false;
    x -= 0x3030303030303030;
    x = x * 10 + (x >> 8);
    x = (((x & 0x000000FF000000FF) * 0x000F424000000064) +
         (((x >> 16) & 0x000000FF000000FF) * 0x0000271000000001)) >>
        32;
    value = uint32_t(x);
    return true;
}
// The digits at p added to m (which may wrap: callers count the digits); p moves past them.
inline void addDigits(const char*& p, uint64_t& m) {
    uint64_t eight;
    while (eightDigits(p, eight)) {
        m = m * 100000000 + eight;
        p += 8;
    }
    while (isDigit(*p))
        m = m * 10 + unsigned(*p++ - '0');
}

inline constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                    1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                    1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
// The nearest doubles to 10^-k: multiplying by them is faster than dividing by 10^k.
inline constexpr double kPow10Inverse[] = {1e-0,  1e-1,  1e-2,  1e-3,  1e-4,  1e-5,  1e-6,  1e-7,
                                           1e-8,  1e-9,  1e-10, 1e-11, 1e-12, 1e-13, 1e-14, 1e-15,
                                           1e-16, 1e-17, 1e-18, 1e-19, 1e-20, 1e-21, 1e-22};

// The common real: at most 19 digits forming a mantissa m up to 2^53 and a power of ten 10^e
// with |e| <= 22. Then m * 10^e (e >= 0) is one correctly rounded double operation on exact
// operands, and m * nearest(10^-e) (e < 0) lies within 2 units in the last place of the
// double of the decimal (two roundings of at most 2^-53 each, relative). Rounding that double
// to float gives the correctly rounded float of the decimal unless a midpoint between two
// floats lies within those 2 units: the decimal could then be on its other side. Those, and
// every other form, are left to the caller (false, p unchanged).
inline bool decimalToFloat(const char*& p, float& value) {
    const char* s = p;
    const bool negative = *s == '-';
    if (*s == '-' || *s == '+') ++s;
    uint64_t m = 0;
    const char* digits = s;
    addDigits(s, m);
    int64_t count = s - digits;
    int exponent = 0;
    if (*s == '.') {
        const char* fraction = ++s;
        addDigits(s, m);
        exponent = -int(s - fraction);
        count += s - fraction;
    }
    if (count == 0 || count > 19) return false;
    if (*s == 'e' || *s == 'E') {
        ++s;
        const bool negativeExponent = *s == '-';
        if (*s == '-' || *s == '+') ++s;
        const char* e = s;
        int x = 0;
        while (isDigit(*s) && s - e < 5)
            x = x * 10 + (*s++ - '0');
        if (s == e || isDigit(*s)) return false;
        exponent += negativeExponent ? -x : x;
    }
    if (!isSpace(*s)) return false;
    if (m == 0) {
        value = negative ? -0.0f : 0.0f;
        p = s;
        return true;
    }
    if (m > (uint64_t(1) << 53) || exponent < -22 || exponent > 22) return false;
    const double d =
        exponent < 0 ? double(m) * kPow10Inverse[-exponent] : double(m) * kPow10[exponent];
    // The 29 bits a float drops from a double's mantissa: a midpoint has exactly the top one.
    // (d is a normal float: 1e-22 <= d < 1e38.)
    const uint64_t dropped = std::bit_cast<uint64_t>(d) & ((uint64_t(1) << 29) - 1);
    if (dropped - ((uint64_t(1) << 28) - 4) <= 8) return false;
    const float f = float(d);
    value = negative ? -f : f;
    p = s;
    return true;
}

// The word at p (which must not start with white space) and the position after it; false
// for an empty word or one longer than TextInput::kMaxTokenLength.
inline bool word(const char* p, std::string_view& w) {
    const char* s = p;
    while (!isSpace(*s))
        ++s;
    w = std::string_view(p, size_t(s - p));
    return !w.empty() && w.size() <= TextInput::kMaxTokenLength;
}

// The integer word at p; on success p moves past it.
inline bool integer(const char*& p, int64_t& value) {
    const char* s = p;
    const bool negative = *s == '-';
    if (*s == '-' || *s == '+') ++s;
    const char* digits = s;
    uint64_t v = 0;
    while (isDigit(*s) && s - digits < 18)
        v = v * 10 + unsigned(*s++ - '0');
    if (s != digits && isSpace(*s)) {
        value = negative ? -int64_t(v) : int64_t(v);
        p = s;
        return true;
    }
    std::string_view w;
    if (!word(p, w) || parseInteger(w, value) != NumberStatus::Ok) return false;
    p += w.size();
    return true;
}

// The real word at p; on success p moves past it.
inline bool real(const char*& p, float& value) {
    if (decimalToFloat(p, value)) return true;
    std::string_view w;
    if (!word(p, w) || parseReal(w, value) != NumberStatus::Ok) return false;
    p += w.size();
    return true;
}

// Line ends in [p, end), counted up to at least `enough` (the count may pass it).
size_t countLines(const char* p, const char* end, size_t enough = SIZE_MAX);

}  // namespace scan

}  // namespace orv
