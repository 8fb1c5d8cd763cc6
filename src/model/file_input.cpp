#include "file_input.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <limits>

#include "messages.h"

namespace orv {

namespace {
constexpr size_t kBufferSize = 1 << 20;

struct SpaceTable {
    bool space[256] = {};
    constexpr SpaceTable() {
        for (unsigned char c : {' ', '\t', '\n', '\r', '\v', '\f'})
            space[c] = true;
    }
};
constexpr SpaceTable kSpace;
inline bool isSpace(char c) {
    return kSpace.space[static_cast<unsigned char>(c)];
}
}  // namespace

FileInput::FileInput() : buffer_(kBufferSize) {}

FileInput::~FileInput() {
    if (fd_ >= 0) ::close(fd_);
}

bool FileInput::open(const std::string& path) {
    // A device is not even opened (opening some has effects of its own); a file swapped for
    // one in between is still refused below, without blocking on it.
    struct stat before;
    if (::stat(path.c_str(), &before) == 0 && !S_ISREG(before.st_mode) &&
        !S_ISDIR(before.st_mode)) {
        recordFileError("Not a regular file");
        return false;
    }
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd_ < 0) {
        recordSystemError(errno);
        return false;
    }
    struct stat st;
    const bool statted = ::fstat(fd_, &st) == 0;
    if (!statted || !S_ISREG(st.st_mode)) {
        if (!statted)
            recordSystemError(errno);
        else if (S_ISDIR(st.st_mode))
            recordSystemError(EISDIR);
        else
            recordFileError("Not a regular file");
        ::close(fd_);
        fd_ = -1;
        return false;
    }
    ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
    size_ = st.st_size;
    ::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
    return true;
}

void FileInput::compactFrom(size_t from) {
    const size_t keep = end_ - from;
    if (from > 0 && keep > 0) std::memmove(buffer_.data(), buffer_.data() + from, keep);
    bufferOffset_ += int64_t(from);
    pos_ -= from;
    end_ = keep;
}

bool FileInput::fill() {
    if (fd_ < 0) return false;
    if (end_ == buffer_.size()) return false;
    for (;;) {
        const ssize_t n = ::read(fd_, buffer_.data() + end_, buffer_.size() - end_);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) recordSystemError(errno);
        if (n <= 0) return false;
        end_ += size_t(n);
        return true;
    }
}

bool BinaryInput::refill() {
    const int64_t at = offset();
    const size_t keep = end_ - pos_;
    const size_t start = size_t(at % int64_t(kPage));
    if (start + keep >= buffer_.size()) return false;
    if (keep > 0 && pos_ != start)
        std::memmove(buffer_.data() + start, buffer_.data() + pos_, keep);
    bufferOffset_ = at - int64_t(start);
    pos_ = start;
    end_ = start + keep;
    return fill();
}

bool BinaryInput::readAt(int64_t offset, void* dst, size_t n) const {
    char* out = static_cast<char*>(dst);
    while (n > 0) {
        const ssize_t got = ::pread(fd_, out, n, offset);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        out += got;
        offset += got;
        n -= size_t(got);
    }
    return true;
}

bool BinaryInput::readSlow(void* dst, size_t n) {
    char* out = static_cast<char*>(dst);
    while (n > 0) {
        if (pos_ == end_ && !refill()) return false;
        const size_t chunk = std::min(n, end_ - pos_);
        std::memcpy(out, buffer_.data() + pos_, chunk);
        pos_ += chunk;
        out += chunk;
        n -= chunk;
    }
    return true;
}

TextInput::Token TextInput::next(std::string_view& word) {
    for (;;) {
        while (pos_ < end_ && isSpace(buffer_[pos_])) {
            if (buffer_[pos_] == '\n') ++line_;
            ++pos_;
        }
        if (pos_ < end_) break;
        compactFrom(pos_);
        if (!fill()) {
            word = {};
            return Token::End;
        }
    }
    tokenLine_ = line_;
    size_t start = pos_;
    for (;;) {
        while (pos_ < end_ && !isSpace(buffer_[pos_]))
            ++pos_;
        if (pos_ < end_) break;
        if (pos_ - start > kMaxTokenLength) return Token::TooLong;
        compactFrom(start);
        start = 0;
        if (!fill()) break;  // the word ends at the end of the file
    }
    if (pos_ - start > kMaxTokenLength) return Token::TooLong;
    word = std::string_view(buffer_.data() + start, pos_ - start);
    return Token::Ok;
}

bool TextInput::readLine(std::string& line, size_t maxLength, bool& tooLong) {
    line.clear();
    tooLong = false;
    bool any = false;
    for (;;) {
        if (pos_ == end_) {
            compactFrom(pos_);
            if (!fill()) break;
        }
        any = true;
        const char* begin = buffer_.data() + pos_;
        const char* nl = static_cast<const char*>(std::memchr(begin, '\n', end_ - pos_));
        const size_t len = nl ? size_t(nl - begin) : end_ - pos_;
        const size_t room = maxLength > line.size() ? maxLength - line.size() : 0;
        line.append(begin, std::min(len, room));
        if (len > room) tooLong = true;
        pos_ += len;
        if (nl) {
            ++pos_;
            ++line_;
            break;
        }
    }
    if (!line.empty() && line.back() == '\r' && !tooLong) line.pop_back();
    return any;
}

bool TextInput::atEnd() {
    for (;;) {
        while (pos_ < end_ && isSpace(buffer_[pos_])) {
            if (buffer_[pos_] == '\n') ++line_;
            ++pos_;
        }
        if (pos_ < end_) return false;
        compactFrom(pos_);
        if (!fill()) return true;
    }
}

NumberStatus parseInteger(std::string_view word, int64_t& value) {
    size_t i = 0;
    bool negative = false;
    if (i < word.size() && (word[i] == '+' || word[i] == '-')) negative = word[i++] == '-';
    if (i == word.size()) return NumberStatus::Malformed;
    uint64_t v = 0;
    for (; i < word.size(); ++i) {
        const unsigned digit = unsigned(word[i]) - '0';
        if (digit > 9) return NumberStatus::Malformed;
        if (v > (uint64_t(1) << 62) / 10) return NumberStatus::OutOfRange;  // v * 10 + 9 < 2^64
        v = v * 10 + digit;
    }
    if (v > (uint64_t(1) << 62)) return NumberStatus::OutOfRange;
    value = negative ? -int64_t(v) : int64_t(v);
    return NumberStatus::Ok;
}

namespace {
constexpr float kPow10[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f, 1e6f, 1e7f, 1e8f, 1e9f, 1e10f};

// Exact when the digits fit in a float's mantissa and the power of ten is exact: one
// correctly rounded operation.
bool parseSimpleReal(std::string_view w, float& value) {
    size_t i = 0;
    bool negative = false;
    if (i < w.size() && (w[i] == '+' || w[i] == '-')) negative = w[i++] == '-';
    uint64_t m = 0;
    int digits = 0, exponent = 0;
    bool any = false;
    for (; i < w.size() && unsigned(w[i] - '0') <= 9; ++i, any = true) {
        if (digits < 18) {
            m = m * 10 + unsigned(w[i] - '0');
            if (m) ++digits;
        } else {
            return false;
        }
    }
    if (i < w.size() && w[i] == '.') {
        for (++i; i < w.size() && unsigned(w[i] - '0') <= 9; ++i, any = true) {
            if (digits >= 18) return false;
            m = m * 10 + unsigned(w[i] - '0');
            if (m) ++digits;
            --exponent;
        }
    }
    if (!any) return false;
    if (i < w.size() && (w[i] == 'e' || w[i] == 'E')) {
        ++i;
        bool negExp = false;
        if (i < w.size() && (w[i] == '+' || w[i] == '-')) negExp = w[i++] == '-';
        if (i == w.size()) return false;
        int e = 0;
        for (; i < w.size() && unsigned(w[i] - '0') <= 9; ++i) {
            if (e > 10000) return false;
            e = e * 10 + (w[i] - '0');
        }
        exponent += negExp ? -e : e;
    }
    if (i != w.size()) return false;
    if (m == 0) {
        value = negative ? -0.0f : 0.0f;
        return true;
    }
    while (m % 10 == 0) {
        m /= 10;
        ++exponent;
    }
    if (m > (1u << 24) || exponent < -10 || exponent > 10) return false;
    float f = float(m);
    f = exponent < 0 ? f / kPow10[-exponent] : f * kPow10[exponent];
    value = negative ? -f : f;
    return true;
}
}  // namespace

NumberStatus parseReal(std::string_view word, float& value) {
    if (word.empty()) return NumberStatus::Malformed;
    if (parseSimpleReal(word, value)) return NumberStatus::Ok;
    const char* first = word.data();
    const char* last = word.data() + word.size();
    if (*first == '+') {
        ++first;
        if (first == last || *first == '-' || *first == '+') return NumberStatus::Malformed;
    }
    float f;
    auto r = std::from_chars(first, last, f, std::chars_format::general);
    if (r.ptr != last) return NumberStatus::Malformed;
    if (r.ec == std::errc()) {
        value = f;
        return NumberStatus::Ok;
    }
    if (r.ec != std::errc::result_out_of_range) return NumberStatus::Malformed;
    double d;
    auto rd = std::from_chars(first, last, d, std::chars_format::general);
    if (rd.ptr != last) return NumberStatus::Malformed;
    if (rd.ec != std::errc() || std::fabs(d) > double(std::numeric_limits<float>::max()))
        return NumberStatus::OutOfRange;
    value = float(d);  // a value below the float range becomes 0 or a subnormal
    return NumberStatus::Ok;
}

}  // namespace orv
