#include "safe_file_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>

namespace orv {

namespace {
constexpr size_t kBufferSize = 1 << 20;
}

SafeFileWriter::SafeFileWriter() : buffer_(kBufferSize), capacity_(kBufferSize) {}

SafeFileWriter::~SafeFileWriter() {
    if (!committed_) discard();
}

bool SafeFileWriter::open(const std::string& target) {
    target_ = target;
    // Replace what a symbolic link points to, not the link itself.
    if (char* real = ::realpath(target.c_str(), nullptr)) {
        target_ = real;
        std::free(real);
    }
    const size_t slash = target_.find_last_of('/');
    const std::string dir =
        slash == std::string::npos ? std::string() : target_.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? target_ : target_.substr(slash + 1);
    temp_ = dir + "." + base + ".XXXXXX";
    std::vector<char> name(temp_.begin(), temp_.end());
    name.push_back('\0');
    fd_ = ::mkstemp(name.data());
    if (fd_ < 0) {
        temp_.clear();
        fail("cannot create a file in the target directory");
        return false;
    }
    temp_ = name.data();
    // The new file gets the old one's permissions, or the usual ones for a new file.
    struct stat st;
    if (::stat(target_.c_str(), &st) == 0) {
        ::fchmod(fd_, st.st_mode & 07777);
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd_, 0666 & ~mask);
    }
    return true;
}

void SafeFileWriter::fail(const std::string& what) {
    if (!failed_) error_ = what + (errno ? std::string(": ") + std::strerror(errno) : "");
    failed_ = true;
}

void SafeFileWriter::flushBuffer() {
    if (fd_ < 0 || failed_) {
        used_ = 0;
        return;
    }
    const char* p = buffer_.data();
    size_t left = used_;
    while (left > 0) {
        const ssize_t n = ::write(fd_, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            fail("write failed");
            break;
        }
        p += n;
        left -= size_t(n);
    }
    used_ = 0;
}

void SafeFileWriter::writeSlow(const void* data, size_t n) {
    const char* p = static_cast<const char*>(data);
    while (n > 0) {
        if (used_ == capacity_) flushBuffer();
        const size_t chunk = std::min(n, capacity_ - used_);
        std::memcpy(buffer_.data() + used_, p, chunk);
        used_ += chunk;
        p += chunk;
        n -= chunk;
    }
}

bool SafeFileWriter::commit() {
    if (fd_ < 0) return false;
    flushBuffer();
    if (!failed_ && ::fdatasync(fd_) != 0) fail("flush failed");
    if (::close(fd_) != 0) fail("close failed");
    fd_ = -1;
    if (!failed_ && ::rename(temp_.c_str(), target_.c_str()) != 0) fail("rename failed");
    if (failed_) {
        discard();
        return false;
    }
    committed_ = true;
    return true;
}

void SafeFileWriter::discard() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!temp_.empty()) ::unlink(temp_.c_str());
    temp_.clear();
}

}  // namespace orv
