#pragma once
// Writes a file without ever destroying the one it replaces: the data goes to a temporary
// file beside the target (.NAME.orvanta-XXXXXX), which is flushed and renamed over the
// target only after a complete write. On any failure, and on a signal that ends the process
// (SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGALRM, SIGUSR1, SIGPIPE), the temporary file is removed
// and the old file is intact; a write beyond the file size limit fails ("File too large")
// instead of ending the process. A symbolic link is followed (a dangling one names the file
// to create) and kept; a target that is not a regular file, or that the permission bits do
// not let this user write, is refused.
#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

namespace orv {

// Whether two paths name one existing file, after following links (a hard link is the same
// file too): a writer must never replace the file it reads from.
bool sameFile(const std::string& a, const std::string& b);

class SafeFileWriter {
  public:
    SafeFileWriter();
    ~SafeFileWriter();  // removes the temporary file unless committed
    SafeFileWriter(const SafeFileWriter&) = delete;
    SafeFileWriter& operator=(const SafeFileWriter&) = delete;

    // False, with the reason in errorText() and lastFileError(), when the target is refused
    // or no temporary file can be created beside it.
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
    // The call that makes the data durable before the rename (fdatasync); a test gives one that
    // fails, to see that nothing is then replaced.
    using SyncCall = int (*)(int fd);
    void setSync(SyncCall sync) { sync_ = sync; }
    bool failed() const { return failed_; }
    const std::string& errorText() const { return error_; }

  private:
    void writeSlow(const void* data, size_t n);
    void flushBuffer();
    void fail(int error);
    bool refuse(const std::string& reason);
    void discard();

    std::vector<char> buffer_;
    size_t capacity_;
    size_t used_ = 0;
    int fd_ = -1;
    SyncCall sync_;
    int slot_ = -1;  // registration of the temporary file for the signal handler
    bool failed_ = false;
    bool committed_ = false;
    std::string target_, temp_, error_;
};

}  // namespace orv
