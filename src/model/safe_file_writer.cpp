#include "safe_file_writer.h"

#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <iterator>

#include "messages.h"

namespace orv {

bool sameFile(const std::string& a, const std::string& b) {
    struct stat sa, sb;
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

namespace {
constexpr size_t kBufferSize = 1 << 20;
constexpr const char* kTempMarker = ".orvanta-";  // temporary files: .NAME.orvanta-XXXXXX

// Temporary files that a signal handler must remove: fixed slots of plain characters, so
// that the handler touches nothing but memory it can read safely.
constexpr int kTempSlots = 8;
constexpr size_t kTempPathMax = PATH_MAX + 1;
struct TempSlot {
    std::atomic<bool> used{false};
    char path[kTempPathMax];
};
TempSlot tempSlots[kTempSlots];

// Signals whose default action ends the process. The first three are caught whatever the
// process did with them before (a handler of its own is called afterwards); the others only
// when their action is still the default, since a handler of the process's own may well not
// end it (a timer on SIGALRM), and the temporary file must then stay.
constexpr int kCleanupSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGALRM, SIGUSR1, SIGPIPE};
constexpr int kChainedSignals = 3;
constexpr int kSignalCount = int(std::size(kCleanupSignals));
struct sigaction previousActions[kSignalCount];
std::atomic<bool> handlersInstalled{false};

void removeTempFilesAndResignal(int sig, siginfo_t* info, void* context) {
    const int saved = errno;
    for (TempSlot& slot : tempSlots)
        if (slot.used.load()) ::unlink(slot.path);
    for (int i = 0; i < kSignalCount; ++i) {
        if (kCleanupSignals[i] != sig) continue;
        const struct sigaction& old = previousActions[i];
        if (old.sa_flags & SA_SIGINFO) {
            if (old.sa_sigaction) old.sa_sigaction(sig, info, context);
        } else if (old.sa_handler != SIG_DFL && old.sa_handler != SIG_IGN) {
            old.sa_handler(sig);
        } else {
            // The default action ends the process: take it, as if nothing had been caught.
            ::signal(sig, SIG_DFL);
            ::raise(sig);
        }
    }
    errno = saved;
}

// Installed once, on the first write; a signal the process ignores (nohup) stays ignored.
// A write beyond the file size limit fails (EFBIG) instead of ending the process with
// SIGXFSZ, so that the temporary file is removed and the reason said.
void installCleanupHandlers() {
    if (handlersInstalled.exchange(true)) return;
    struct sigaction xfsz {};
    if (::sigaction(SIGXFSZ, nullptr, &xfsz) == 0 && !(xfsz.sa_flags & SA_SIGINFO) &&
        xfsz.sa_handler == SIG_DFL)
        ::signal(SIGXFSZ, SIG_IGN);
    for (int i = 0; i < kSignalCount; ++i) {
        struct sigaction old {};
        if (::sigaction(kCleanupSignals[i], nullptr, &old) != 0) continue;
        const bool plain = !(old.sa_flags & SA_SIGINFO);
        if ((plain && old.sa_handler == SIG_IGN) ||
            (i >= kChainedSignals && !(plain && old.sa_handler == SIG_DFL)))
            continue;
        previousActions[i] = old;
        struct sigaction action {};
        action.sa_sigaction = removeTempFilesAndResignal;
        action.sa_flags = SA_SIGINFO | SA_RESTART;
        sigemptyset(&action.sa_mask);
        for (int s : kCleanupSignals)
            sigaddset(&action.sa_mask, s);
        ::sigaction(kCleanupSignals[i], &action, nullptr);
    }
}

int registerTemp(const std::string& path) {
    if (path.size() >= kTempPathMax) return -1;
    for (int i = 0; i < kTempSlots; ++i) {
        TempSlot& slot = tempSlots[i];
        if (slot.used.load()) continue;
        std::memcpy(slot.path, path.c_str(), path.size() + 1);
        bool expected = false;
        if (slot.used.compare_exchange_strong(expected, true)) return i;
    }
    return -1;
}

void unregisterTemp(int slot) {
    if (slot >= 0) tempSlots[slot].used.store(false);
}

// The file a path names after following its symbolic links, also when the last link
// dangles (then the file it names is to be created). Empty when the links loop.
std::string resolveTarget(const std::string& path) {
    std::string current = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st;
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return current;
        std::vector<char> link(size_t(PATH_MAX) + 1);
        const ssize_t n = ::readlink(current.c_str(), link.data(), link.size() - 1);
        if (n < 0) return current;
        const std::string to(link.data(), size_t(n));
        if (!to.empty() && to[0] == '/') {
            current = to;
        } else {
            const size_t slash = current.find_last_of('/');
            current =
                (slash == std::string::npos ? std::string() : current.substr(0, slash + 1)) + to;
        }
    }
    errno = ELOOP;
    return {};
}

// Whether the permission bits let this user write the file, as for a user who is not the
// superuser: a read-only file is not replaced, whoever asks.
bool permitsWriting(const struct stat& st) {
    if (st.st_uid == ::geteuid()) return st.st_mode & S_IWUSR;
    if (st.st_gid == ::getegid()) return st.st_mode & S_IWGRP;
    gid_t groups[NGROUPS_MAX];
    const int n = ::getgroups(NGROUPS_MAX, groups);
    for (int i = 0; i < n; ++i)
        if (groups[i] == st.st_gid) return st.st_mode & S_IWGRP;
    return st.st_mode & S_IWOTH;
}

}  // namespace

SafeFileWriter::SafeFileWriter()
    : buffer_(kBufferSize), capacity_(kBufferSize), sync_(::fdatasync) {}

SafeFileWriter::~SafeFileWriter() {
    if (!committed_) discard();
}

bool SafeFileWriter::refuse(const std::string& reason) {
    failed_ = true;
    error_ = reason;
    recordFileError(reason);
    return false;
}

bool SafeFileWriter::open(const std::string& target) {
    errno = 0;
    // Replace what a symbolic link points to, not the link itself.
    target_ = resolveTarget(target);
    if (target_.empty()) return refuse(std::strerror(ELOOP));
    struct stat st;
    const bool exists = ::stat(target_.c_str(), &st) == 0;
    if (exists) {
        if (S_ISDIR(st.st_mode)) return refuse(std::strerror(EISDIR));
        // A FIFO, a device or a socket is never replaced by a regular file.
        if (!S_ISREG(st.st_mode)) return refuse("Not a regular file");
        if (!permitsWriting(st) || ::access(target_.c_str(), W_OK) != 0)
            return refuse(std::strerror(EACCES));
    }
    const size_t slash = target_.find_last_of('/');
    const std::string dir =
        slash == std::string::npos ? std::string() : target_.substr(0, slash + 1);
    std::string base = slash == std::string::npos ? target_ : target_.substr(slash + 1);
    // The temporary name must fit where the target's name fits.
    long nameMax = ::pathconf(dir.empty() ? "." : dir.c_str(), _PC_NAME_MAX);
    if (nameMax <= 0) nameMax = NAME_MAX;
    const size_t extra = 1 + std::strlen(kTempMarker) + 6;
    if (base.size() + extra > size_t(nameMax))
        base.resize(size_t(nameMax) > extra ? size_t(nameMax) - extra : 0);
    std::string pattern = dir + "." + base + kTempMarker + "XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    installCleanupHandlers();
    // Signals are held until the name is registered, so that none can leave it behind.
    sigset_t block, old;
    sigemptyset(&block);
    for (int s : kCleanupSignals)
        sigaddset(&block, s);
    ::pthread_sigmask(SIG_BLOCK, &block, &old);
    fd_ = ::mkostemp(name.data(), O_CLOEXEC);
    const int openError = errno;
    if (fd_ >= 0) {
        temp_ = name.data();
        slot_ = registerTemp(temp_);
    }
    ::pthread_sigmask(SIG_SETMASK, &old, nullptr);
    if (fd_ < 0) {
        failed_ = true;
        recordSystemError(openError);
        error_ = std::strerror(openError);
        return false;
    }
    // The new file gets the old one's permissions, or the usual ones for a new file.
    if (exists) {
        ::fchmod(fd_, st.st_mode & 07777);
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd_, 0666 & ~mask);
    }
    return true;
}

void SafeFileWriter::fail(int error) {
    if (!failed_) {
        error_ = std::strerror(error);
        recordSystemError(error);
    }
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
            fail(errno);
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
    if (!failed_ && sync_(fd_) != 0) fail(errno);
    if (::close(fd_) != 0) fail(errno);
    fd_ = -1;
    if (!failed_) {
        // The target may have become something else while the data was written.
        struct stat st;
        if (::stat(target_.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
            refuse(S_ISDIR(st.st_mode) ? std::strerror(EISDIR) : "Not a regular file");
        } else if (::rename(temp_.c_str(), target_.c_str()) != 0) {
            fail(errno);
        }
    }
    if (failed_) {
        discard();
        return false;
    }
    unregisterTemp(slot_);
    slot_ = -1;
    committed_ = true;
    return true;
}

void SafeFileWriter::discard() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!temp_.empty()) ::unlink(temp_.c_str());
    unregisterTemp(slot_);
    slot_ = -1;
    temp_.clear();
}

}  // namespace orv
