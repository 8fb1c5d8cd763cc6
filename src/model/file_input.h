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
    FileInput();
    ~FileInput();
    FileInput(const FileInput&) = delete;
    FileInput& operator=(const FileInput&) = delete;

    // Opens a regular file for reading; false when it cannot be opened.
    bool open(const std::string& path);
    int64_t size() const { return size_; }
    int64_t offset() const { return bufferOffset_ + int64_t(pos_); }
    int64_t remaining() const { return size_ - offset(); }

  protected:
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

  private:
    int64_t line_ = 1;
    int64_t tokenLine_ = 1;
};

enum class NumberStatus { Ok, Malformed, OutOfRange };

// Decimal integer: an optional sign and digits, nothing else.
NumberStatus parseInteger(std::string_view word, int64_t& value);
// Real in fixed or scientific notation (or inf / nan), correctly rounded to float.
NumberStatus parseReal(std::string_view word, float& value);

}  // namespace orv
