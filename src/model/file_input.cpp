#include "file_input.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <limits>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "messages.h"

namespace orv {

namespace {
inline bool isSpace(char c) {
    return scan::isSpace(c);
}
}  // namespace

FileInput::FileInput(size_t bufferSize) : buffer_(bufferSize + kSlack) {}

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
    if (end_ == capacity()) return false;
    for (;;) {
        const ssize_t n = ::read(fd_, buffer_.data() + end_, capacity() - end_);
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

bool TextInput::skipToLineStart() {
    for (;;) {
        while (pos_ < end_ && scan::isBlank(buffer_[pos_]))
            ++pos_;
        if (pos_ < end_) break;
        compactFrom(pos_);
        if (!fill()) return false;
    }
    if (buffer_[pos_] != '\n') return false;
    ++pos_;
    ++line_;
    return true;
}

std::string_view TextInput::lineWindow() {
    // Refilled only while the file holds more: near its end a refill would move the rest of
    // the buffer again for every block.
    if (end_ - pos_ < capacity() / 2 && bufferOffset_ + int64_t(end_) < size_) {
        compactFrom(pos_);
        const size_t wanted = size_t(std::min<int64_t>(int64_t(kLargeBufferSize), size_));
        if (capacity() < wanted) buffer_.resize(wanted + kSlack);
        while (end_ < capacity() && fill()) {
        }
    }
    // Only bytes not searched before are searched for the last line end, so that a block of a
    // few lines costs as little as its lines.
    const int64_t bufferEnd = bufferOffset_ + int64_t(end_);
    if (scannedTo_ < bufferEnd) {
        const int64_t from = std::max(scannedTo_, offset());
        const char* begin = buffer_.data() + (from - bufferOffset_);
        if (const void* last = ::memrchr(begin, '\n', size_t(bufferEnd - from)))
            lineEnd_ = bufferOffset_ + (static_cast<const char*>(last) + 1 - buffer_.data());
        scannedTo_ = bufferEnd;
    }
    if (lineEnd_ <= offset()) return {};
    return std::string_view(buffer_.data() + pos_, size_t(lineEnd_ - offset()));
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

NumberStatus parseReal(std::string_view word, float& value) {
    if (word.empty()) return NumberStatus::Malformed;
    // The common form through the in-place scan, which needs white space after the word.
    char copy[32 + 8];  // room for the scan's eight-byte reads
    if (word.size() < 32) {
        std::memcpy(copy, word.data(), word.size());
        copy[word.size()] = ' ';
        const char* p = copy;
        if (scan::decimalToFloat(p, value) && p == copy + word.size()) return NumberStatus::Ok;
    }
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

size_t scan::countLines(const char* p, const char* end, size_t enough) {
    size_t lines = 0;
#if defined(__SSE2__)
    // Each matching byte subtracts -1 from its lane; the lanes are summed before they can wrap.
    const __m128i newline = _mm_set1_epi8('\n');
    while (end - p >= 16 && lines < enough) {
        __m128i counts = _mm_setzero_si128();
        for (int i = 0; i < 255 && end - p >= 16; ++i, p += 16) {
            const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            counts = _mm_sub_epi8(counts, _mm_cmpeq_epi8(block, newline));
        }
        const __m128i sums = _mm_sad_epu8(counts, _mm_setzero_si128());
        lines += size_t(_mm_cvtsi128_si64(sums)) + size_t(_mm_extract_epi16(sums, 4));
    }
#endif
    for (; p < end && lines < enough; ++p)
        lines += *p == '\n';
    return lines;
}

}  // namespace orv
