#include "cli/EmbeddedMetadata.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <exception>
#include <string_view>
#include <vector>

#include <exiv2/exiv2.hpp>

#include "cli/CheckedWrite.h"
#include "cli/PhotoFormats.h"

namespace mirtane::cli {

struct EmbeddedMetadata {
    Exiv2::ExifData exif;
    Exiv2::IptcData iptc;
    bool fromTiff = false;
};

namespace {

// The IFD0 tags that describe the picture; the rest of IFD0 describes the
// file (sizes, strips, compression, resolution, orientation, the embedded
// profile and XMP), which the output writes for itself.
bool IsDescriptiveImageTag(const std::string& name) {
    static const char* const kKept[] = {"ImageDescription", "Make",   "Model",    "Software",
                                        "DateTime",         "Artist", "Copyright"};
    for (const char* kept : kKept) {
        if (name == kept) {
            return true;
        }
    }
    return false;
}

// Groups of further images (a thumbnail, sub-images of a multi-image file)
// describe pictures the output does not hold.
bool IsOtherImageGroup(const std::string& group) {
    for (std::string_view prefix : {"Thumbnail", "Image", "SubImage", "SubThumb"}) {
        if (group.compare(0, prefix.size(), prefix) == 0) {
            return true;
        }
    }
    return false;
}

bool IsKeptExifEntry(const Exiv2::Exifdatum& entry) {
    const std::string group = entry.groupName();
    if (group == "Image") {
        return IsDescriptiveImageTag(entry.tagName());
    }
    return !IsOtherImageGroup(group);
}

// Exiv2 reports oddities of a file on standard error; the command speaks for
// itself.
void SilenceExiv2() {
    static const bool silenced = [] {
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
        return true;
    }();
    static_cast<void>(silenced);
}

int ReadWhole(int fd, std::vector<Exiv2::byte>& bytes, std::string& error) {
    const off_t size = lseek(fd, 0, SEEK_END);
    if (size < 0 || lseek(fd, 0, SEEK_SET) != 0) {
        error = std::string("cannot read the encoded file back: ") + std::strerror(errno);
        return -1;
    }
    bytes.resize(static_cast<std::size_t>(size));
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t count = read(fd, bytes.data() + done, bytes.size() - done);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            error = std::string("cannot read the encoded file back: ") +
                    (count < 0 ? std::strerror(errno) : "it ended early");
            return -1;
        }
        done += static_cast<std::size_t>(count);
    }
    return 0;
}

// The bytes of a buffer Exiv2 returns: Exiv2 0.28 (Debian 13) hides the
// members that 0.27 (Debian 12) exposes.
const Exiv2::byte* BufferBytes(const Exiv2::DataBuf& buffer) {
#if EXIV2_TEST_VERSION(0, 28, 0)
    return buffer.c_data();
#else
    return buffer.pData_;
#endif
}

std::size_t BufferSize(const Exiv2::DataBuf& buffer) {
#if EXIV2_TEST_VERSION(0, 28, 0)
    return buffer.size();
#else
    return static_cast<std::size_t>(buffer.size_);
#endif
}

int ReplaceWhole(int fd, Exiv2::BasicIo& io, std::string& error) {
    if (io.open() != 0) {
        error = "cannot read the file with its metadata added";
        return -1;
    }
    const Exiv2::DataBuf contents = io.read(static_cast<long>(io.size()));
    io.close();
    if (ftruncate(fd, 0) != 0 || lseek(fd, 0, SEEK_SET) != 0) {
        error = std::string("cannot rewrite the file with its metadata: ") + std::strerror(errno);
        return -1;
    }
    CheckedWriter writer(fd);
    if (writer.Write(BufferBytes(contents), BufferSize(contents)) != 0) {
        error = "cannot rewrite the file with its metadata: " + writer.Reason();
        return -1;
    }
    return 0;
}

}  // namespace

std::shared_ptr<const EmbeddedMetadata> ReadEmbeddedMetadata(const std::string& path) {
    SilenceExiv2();
    try {
        auto image = Exiv2::ImageFactory::open(path);
        image->readMetadata();
        auto metadata = std::make_shared<EmbeddedMetadata>();
        metadata->fromTiff = image->mimeType() == "image/tiff";
        for (const Exiv2::Exifdatum& entry : image->exifData()) {
            if (IsKeptExifEntry(entry)) {
                metadata->exif.add(entry);
            }
        }
        metadata->iptc = image->iptcData();
        if (metadata->exif.empty() && metadata->iptc.empty()) {
            return nullptr;
        }
        return metadata;
    } catch (const std::exception&) {
        // A file libvips decoded but Exiv2 cannot parse keeps what libvips
        // carries; its pixels are not at stake.
        return nullptr;
    }
}

bool NeedsEmbeddedMetadata(const EmbeddedMetadata& metadata, PhotoFormat format) {
    switch (format) {
    case PhotoFormat::Tiff: return true;
    case PhotoFormat::Jpeg:
    case PhotoFormat::Webp: return metadata.fromTiff;
    default: return false;
    }
}

int AddEmbeddedMetadata(int fd, const EmbeddedMetadata& metadata, std::string& error) {
    SilenceExiv2();
    std::vector<Exiv2::byte> encoded;
    if (ReadWhole(fd, encoded, error) != 0) {
        return -1;
    }
    try {
        auto image = Exiv2::ImageFactory::open(encoded.data(), static_cast<long>(encoded.size()));
        image->readMetadata();
        Exiv2::ExifData& exif = image->exifData();
        // What libvips wrote stands (its resolution, orientation and
        // anything it carried itself); the rest is added.
        for (const Exiv2::Exifdatum& entry : metadata.exif) {
            if (exif.findKey(Exiv2::ExifKey(entry.key())) == exif.end()) {
                exif.add(entry);
            }
        }
        if (!metadata.iptc.empty()) {
            image->setIptcData(metadata.iptc);
        }
        image->writeMetadata();
        return ReplaceWhole(fd, image->io(), error);
    } catch (const std::exception& failure) {
        error = std::string("cannot add the input's EXIF and IPTC: ") + failure.what();
        return -1;
    }
}

}  // namespace mirtane::cli
