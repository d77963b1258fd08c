#include "cli/ScratchFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "cli/CheckedWrite.h"

namespace mirtane::cli {

std::string TemporaryFilesFolder() {
    const char* folder = std::getenv("TMPDIR");
    return folder != nullptr && *folder != '\0' ? folder : "/tmp";
}

int OpenScratchFile(std::string& error) {
    const std::string folder = TemporaryFilesFolder();
    int fd = open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd < 0) {
        // File systems without nameless files: a named one, unlinked at once.
        std::string name = folder + "/mirtane-scratch-XXXXXX";
        fd = mkostemp(name.data(), O_CLOEXEC);
        if (fd >= 0) {
            unlink(name.c_str());
        }
    }
    if (fd < 0) {
        error = "cannot create a scratch file in " + folder + ": " + std::strerror(errno);
    }
    return fd;
}

int CopyWholeFile(int from, int to, std::string& error) {
    if (lseek(from, 0, SEEK_SET) != 0) {
        error = std::strerror(errno);
        return -1;
    }
    CheckedWriter writer(to);
    char block[1 << 16];
    for (;;) {
        const ssize_t count = read(from, block, sizeof block);
        if (count == 0) {
            return 0;
        }
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0) {
            error = std::strerror(errno);
            return -1;
        }
        if (writer.Write(block, static_cast<std::size_t>(count)) != 0) {
            error = writer.Reason();
            return -1;
        }
    }
}

}  // namespace mirtane::cli
