// Metadata that libvips does not carry from every input to every output:
// it writes no EXIF and no readable IPTC into TIFF files, and it does not
// read a TIFF file's own description tags (Make, Model, Copyright, Artist,
// DateTime and the like). These are read from the input with Exiv2 and
// added to the encoded output afterwards, so that a scan keeps its camera,
// date, place and rights in every format that can hold them.
#pragma once

#include <memory>
#include <string>

namespace mirtane::cli {

enum class PhotoFormat;

// What of an input's EXIF and IPTC an output may need added. Opaque: only
// this file's functions look inside.
struct EmbeddedMetadata;

// Reads the EXIF and IPTC of the file at `path`, keeping what describes the
// picture (the camera, dates, place, rights, the photographer's captions)
// and leaving what describes the file's encoding (sizes, strips,
// compression, resolution, orientation, thumbnail), which the output writes
// for itself. Returns null when the file holds nothing worth keeping or
// cannot be read this way: libvips' own carrying then stands alone.
std::shared_ptr<const EmbeddedMetadata> ReadEmbeddedMetadata(const std::string& path);

// True when an output of `format` lacks some of `metadata` after libvips
// wrote it: a TIFF output (no EXIF or IPTC from libvips), or a JPEG or
// WebP output of a TIFF input (whose tags libvips did not read). PNG files
// keep what libvips gives them: their EXIF has no standard home that every
// reader shares.
bool NeedsEmbeddedMetadata(const EmbeddedMetadata& metadata, PhotoFormat format);

// Adds `metadata` to the encoded image in the file open as `fd` (read and
// written in place; the caller flushes and commits it): every kept EXIF
// entry the file does not hold yet, and the IPTC record. Returns 0, or -1
// with `error` naming what failed; the file may then have been rewritten
// only in part, and the caller must not commit it.
[[nodiscard]] int AddEmbeddedMetadata(int fd, const EmbeddedMetadata& metadata, std::string& error);

}  // namespace mirtane::cli
