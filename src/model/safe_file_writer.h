#pragma once
// Writes a file without ever destroying the one it replaces: the data goes to a temporary
// file beside the target, which is flushed and renamed over the target only after a
// complete write. On any failure the old file is intact and the temporary one removed.
#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

namespace orv {

class SafeFileWriter {
  public:
    SafeFileWriter();
    ~SafeFileWriter();  // removes the temporary file unless committed
    SafeFileWriter(const SafeFileWriter&) = delete;
    SafeFileWriter& operator=(const SafeFileWriter&) = delete;

    bool open(const std::string& target);
    void write(const void* data, size_t n) {
        if (n <= capacity_ - used_) {
            std::memcpy(buffer_.data() + used_, data, n);
            used_ += n;
        } else {
            writeSlow(data, n);
        }
    }
    void write(const std::string& s) { write(s.data(), s.size()); }
    // Space for at most n bytes (n <= 64 KiB), to be committed with advance.
    char* reserve(size_t n) {
        if (capacity_ - used_ < n) flushBuffer();
        return buffer_.data() + used_;
    }
    void advance(size_t n) { used_ += n; }
    // Flushes, syncs and renames over the target; false (old file intact) on any failure.
    bool commit();
    bool failed() const { return failed_; }
    const std::string& errorText() const { return error_; }

  private:
    void writeSlow(const void* data, size_t n);
    void flushBuffer();
    void fail(const std::string& what);
    void discard();

    std::vector<char> buffer_;
    size_t capacity_;
    size_t used_ = 0;
    int fd_ = -1;
    bool failed_ = false;
    bool committed_ = false;
    std::string target_, temp_, error_;
};

}  // namespace orv
