#include "cli/FileTarget.h"

#include <unistd.h>

#include <cerrno>

namespace mirtane::cli {
namespace {

gint64 WriteBytes(VipsTargetCustom*, const void* data, gint64 length, gpointer user) {
    auto* writer = static_cast<CheckedWriter*>(user);
    return writer->Write(data, static_cast<std::size_t>(length)) == 0 ? length : -1;
}

gint64 ReadBytes(VipsTargetCustom*, void* buffer, gint64 length, gpointer user) {
    const auto* writer = static_cast<CheckedWriter*>(user);
    ssize_t count;
    do {
        count = read(writer->fd(), buffer, static_cast<std::size_t>(length));
    } while (count < 0 && errno == EINTR);
    return count;
}

gint64 SeekTo(VipsTargetCustom*, gint64 offset, int whence, gpointer user) {
    const auto* writer = static_cast<CheckedWriter*>(user);
    return lseek(writer->fd(), static_cast<off_t>(offset), whence);
}

// The descriptor is the caller's to flush and close (see AtomicFile).
int EndTarget(VipsTargetCustom*, gpointer user) {
    const auto* writer = static_cast<const CheckedWriter*>(user);
    return writer->firstError() == 0 ? 0 : -1;
}

vips::VTarget MakeTarget(CheckedWriter& writer) {
    VipsTargetCustom* custom = vips_target_custom_new();
    g_signal_connect(custom, "write", G_CALLBACK(&WriteBytes), &writer);
    g_signal_connect(custom, "read", G_CALLBACK(&ReadBytes), &writer);
    g_signal_connect(custom, "seek", G_CALLBACK(&SeekTo), &writer);
    g_signal_connect(custom, "end", G_CALLBACK(&EndTarget), &writer);
    return vips::VTarget(VIPS_TARGET(custom));
}

}  // namespace

FileTarget::FileTarget(int fd) : writer_(fd), target_(MakeTarget(writer_)) {}

}  // namespace mirtane::cli
