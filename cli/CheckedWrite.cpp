#include "cli/CheckedWrite.h"

#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace mirtane::cli {
namespace {

long InjectedFailureIndex() {
    const char* text = std::getenv(kFailWriteVariable);
    if (text == nullptr || *text == '\0') {
        return 0;
    }
    char* end = nullptr;
    const long index = std::strtol(text, &end, 10);
    return end != nullptr && *end == '\0' && index > 0 ? index : 0;
}

// libvips may write from its worker threads, so the count is atomic.
std::atomic<long> gWriteCalls{0};

ssize_t SystemWrite(int fd, const void* data, std::size_t size) {
    static const long failAt = InjectedFailureIndex();
    if (failAt > 0 && gWriteCalls.fetch_add(1) + 1 == failAt) {
        errno = ENOSPC;
        return -1;
    }
    return write(fd, data, size);
}

}  // namespace

int CheckedWriter::Write(const void* data, std::size_t size) {
    if (firstError_ != 0) {
        return -1;
    }
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t written = SystemWrite(fd_, bytes, size);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            // A write that makes no progress is a failure; keep its reason.
            firstError_ = written < 0 && errno != 0 ? errno : EIO;
            return -1;
        }
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return 0;
}

std::string CheckedWriter::Reason() const {
    return firstError_ == 0 ? std::string() : std::string(std::strerror(firstError_));
}

}  // namespace mirtane::cli

namespace mirtane::cli {

int WriteStandardOutputAndClose(const std::string& text, std::string& error) {
    std::fflush(stdout);  // nothing should be buffered there, but keep the order if it is
    CheckedWriter writer(STDOUT_FILENO);
    const int written = writer.Write(text.data(), text.size());
    const int closed = close(STDOUT_FILENO);
    const int closeError = errno;
    if (written != 0) {
        error = "cannot write the output: " + writer.Reason();
        return -1;
    }
    // EINTR at close leaves the descriptor closed and the data handed over.
    if (closed != 0 && closeError != EINTR) {
        error = std::string("cannot write the output: ") + std::strerror(closeError);
        return -1;
    }
    return 0;
}

}  // namespace mirtane::cli
