#include "tests/windows/PeImage.h"

#include <algorithm>
#include <utility>

namespace mirtane::checks {

namespace {

constexpr std::uint16_t kOptionalMagicPe32 = 0x010B;
constexpr std::uint16_t kOptionalMagicPe32Plus = 0x020B;
constexpr std::uint16_t kCharacteristicDll = 0x2000;
constexpr std::uint32_t kDirectoryExport = 0;
constexpr std::uint32_t kDirectoryImport = 1;
constexpr std::uint32_t kDirectoryResource = 2;
constexpr std::uint32_t kHighBit = 0x80000000u;
// Limits far above anything a plug-in has; they stop a corrupt table from
// sending the reader through millions of bogus entries.
constexpr std::uint16_t kMaxSections = 96;
constexpr std::size_t kMaxImportedDlls = 1024;
constexpr std::uint32_t kMaxExports = 65536;
constexpr std::size_t kMaxNameLength = 1024;
constexpr std::uint32_t kMaxDirectoryEntries = 4096;

}  // namespace

std::string ResourceKey::Describe() const {
    if (isString) {
        return "\"" + name + "\"";
    }
    return std::to_string(id);
}

bool PeImage::ReadU16(std::size_t offset, std::uint16_t& value) const {
    if (offset > bytes_.size() || bytes_.size() - offset < 2) {
        return false;
    }
    value = static_cast<std::uint16_t>(bytes_[offset] | (bytes_[offset + 1] << 8));
    return true;
}

bool PeImage::ReadU32(std::size_t offset, std::uint32_t& value) const {
    if (offset > bytes_.size() || bytes_.size() - offset < 4) {
        return false;
    }
    value = static_cast<std::uint32_t>(bytes_[offset]) |
            (static_cast<std::uint32_t>(bytes_[offset + 1]) << 8) |
            (static_cast<std::uint32_t>(bytes_[offset + 2]) << 16) |
            (static_cast<std::uint32_t>(bytes_[offset + 3]) << 24);
    return true;
}

bool PeImage::RvaToOffset(std::uint32_t rva, std::size_t length, std::size_t& offset) const {
    for (const Section& section : sections_) {
        if (rva < section.virtualAddress) {
            continue;
        }
        const std::uint64_t within = rva - section.virtualAddress;
        if (within + length > section.rawSize) {
            continue;
        }
        const std::uint64_t fileOffset = section.rawOffset + within;
        if (fileOffset + length > bytes_.size()) {
            return false;
        }
        offset = static_cast<std::size_t>(fileOffset);
        return true;
    }
    return false;
}

bool PeImage::ReadCString(std::uint32_t rva, std::string& text, std::string& error) const {
    text.clear();
    for (std::size_t i = 0; i < kMaxNameLength; ++i) {
        std::size_t offset = 0;
        if (!RvaToOffset(rva + static_cast<std::uint32_t>(i), 1, offset)) {
            error = "name at RVA " + std::to_string(rva) + " runs outside the file";
            return false;
        }
        if (bytes_[offset] == 0) {
            return true;
        }
        text.push_back(static_cast<char>(bytes_[offset]));
    }
    error = "name at RVA " + std::to_string(rva) + " has no terminator";
    return false;
}

int PeImage::Parse(std::vector<std::uint8_t> bytes, std::string& error) {
    *this = PeImage();
    bytes_ = std::move(bytes);

    std::uint32_t peOffset = 0;
    if (bytes_.size() < 0x40 || bytes_[0] != 'M' || bytes_[1] != 'Z' || !ReadU32(0x3C, peOffset)) {
        error = "not an MZ executable";
        return -1;
    }
    std::uint32_t signature = 0;
    if (!ReadU32(peOffset, signature) || signature != 0x00004550u) {
        error = "no PE signature";
        return -1;
    }
    const std::size_t coff = static_cast<std::size_t>(peOffset) + 4;
    std::uint16_t sectionCount = 0;
    std::uint16_t optionalSize = 0;
    std::uint16_t characteristics = 0;
    if (!ReadU16(coff, machine_) || !ReadU16(coff + 2, sectionCount) ||
        !ReadU16(coff + 16, optionalSize) || !ReadU16(coff + 18, characteristics)) {
        error = "truncated file header";
        return -1;
    }
    isDll_ = (characteristics & kCharacteristicDll) != 0;
    if (sectionCount == 0 || sectionCount > kMaxSections) {
        error = "implausible section count " + std::to_string(sectionCount);
        return -1;
    }

    const std::size_t optional = coff + 20;
    std::uint16_t magic = 0;
    if (!ReadU16(optional, magic) ||
        (magic != kOptionalMagicPe32 && magic != kOptionalMagicPe32Plus)) {
        error = "unknown optional header";
        return -1;
    }
    isPe32Plus_ = magic == kOptionalMagicPe32Plus;
    const std::size_t countField = optional + (isPe32Plus_ ? 108 : 92);
    const std::size_t directories = optional + (isPe32Plus_ ? 112 : 96);
    std::uint32_t directoryCount = 0;
    if (!ReadU32(countField, directoryCount)) {
        error = "truncated optional header";
        return -1;
    }
    directoryCount = std::min<std::uint32_t>(directoryCount, 16);
    if (directories + directoryCount * 8u > optional + optionalSize) {
        error = "data directories overrun the optional header";
        return -1;
    }
    std::uint32_t directoryRva[3] = {0, 0, 0};
    std::uint32_t directorySize[3] = {0, 0, 0};
    for (std::uint32_t i = 0; i < 3 && i < directoryCount; ++i) {
        if (!ReadU32(directories + i * 8, directoryRva[i]) ||
            !ReadU32(directories + i * 8 + 4, directorySize[i])) {
            error = "truncated data directories";
            return -1;
        }
    }

    const std::size_t sectionTable = optional + optionalSize;
    for (std::uint16_t i = 0; i < sectionCount; ++i) {
        const std::size_t entry = sectionTable + i * std::size_t{40};
        Section section{};
        if (!ReadU32(entry + 8, section.virtualSize) ||
            !ReadU32(entry + 12, section.virtualAddress) || !ReadU32(entry + 16, section.rawSize) ||
            !ReadU32(entry + 20, section.rawOffset)) {
            error = "truncated section table";
            return -1;
        }
        sections_.push_back(section);
    }

    if (directoryRva[kDirectoryImport] != 0 &&
        !ParseImports(directoryRva[kDirectoryImport], error)) {
        return -1;
    }
    if (directoryRva[kDirectoryExport] != 0 &&
        !ParseExports(directoryRva[kDirectoryExport], directorySize[kDirectoryExport], error)) {
        return -1;
    }
    if (directoryRva[kDirectoryResource] != 0 &&
        !ParseResources(directoryRva[kDirectoryResource], directorySize[kDirectoryResource],
                        error)) {
        return -1;
    }
    return 0;
}

bool PeImage::ParseImports(std::uint32_t rva, std::string& error) {
    for (std::size_t i = 0;; ++i) {
        if (i == kMaxImportedDlls) {
            error = "import table has no end";
            return false;
        }
        std::size_t offset = 0;
        if (!RvaToOffset(rva + static_cast<std::uint32_t>(i * 20), 20, offset)) {
            error = "import table runs outside the file";
            return false;
        }
        std::uint32_t nameRva = 0;
        std::uint32_t firstThunk = 0;
        static_cast<void>(ReadU32(offset + 12, nameRva));  // in range: checked above
        static_cast<void>(ReadU32(offset + 16, firstThunk));
        if (nameRva == 0 && firstThunk == 0) {
            return true;
        }
        std::string name;
        if (!ReadCString(nameRva, name, error)) {
            return false;
        }
        importedDlls_.push_back(name);
    }
}

bool PeImage::ParseExports(std::uint32_t rva, std::uint32_t size, std::string& error) {
    std::size_t offset = 0;
    if (!RvaToOffset(rva, 40, offset)) {
        error = "export directory runs outside the file";
        return false;
    }
    std::uint32_t functionCount = 0;
    std::uint32_t nameCount = 0;
    std::uint32_t functionsRva = 0;
    std::uint32_t namesRva = 0;
    std::uint32_t ordinalsRva = 0;
    static_cast<void>(ReadU32(offset + 20, functionCount));  // in range: checked above
    static_cast<void>(ReadU32(offset + 24, nameCount));
    static_cast<void>(ReadU32(offset + 28, functionsRva));
    static_cast<void>(ReadU32(offset + 32, namesRva));
    static_cast<void>(ReadU32(offset + 36, ordinalsRva));
    if (nameCount > kMaxExports || functionCount > kMaxExports) {
        error = "implausible export count";
        return false;
    }
    for (std::uint32_t i = 0; i < nameCount; ++i) {
        std::size_t nameSlot = 0;
        std::size_t ordinalSlot = 0;
        std::uint32_t nameRva = 0;
        std::uint16_t ordinal = 0;
        if (!RvaToOffset(namesRva + i * 4, 4, nameSlot) ||
            !RvaToOffset(ordinalsRva + i * 2, 2, ordinalSlot) || !ReadU32(nameSlot, nameRva) ||
            !ReadU16(ordinalSlot, ordinal)) {
            error = "export name tables run outside the file";
            return false;
        }
        std::string name;
        if (!ReadCString(nameRva, name, error)) {
            return false;
        }
        std::size_t functionSlot = 0;
        std::uint32_t functionRva = 0;
        if (ordinal >= functionCount ||
            !RvaToOffset(functionsRva + ordinal * 4u, 4, functionSlot) ||
            !ReadU32(functionSlot, functionRva)) {
            error = "export \"" + name + "\" has no function slot";
            return false;
        }
        if (functionRva == 0) {
            error = "export \"" + name + "\" has no address";
            return false;
        }
        if (functionRva >= rva && functionRva < rva + size) {
            error = "export \"" + name + "\" is forwarded to another DLL";
            return false;
        }
        exportedNames_.push_back(name);
    }
    return true;
}

bool PeImage::ReadResourceKey(std::size_t rootOffset, std::uint32_t rootSize, std::uint32_t field,
                              ResourceKey& key, std::string& error) const {
    key = ResourceKey();
    if ((field & kHighBit) == 0) {
        if (field > 0xFFFF) {
            error = "resource id out of range";
            return false;
        }
        key.id = static_cast<std::uint16_t>(field);
        return true;
    }
    const std::uint32_t at = field & ~kHighBit;
    std::uint16_t length = 0;
    if (at > rootSize || rootSize - at < 2 || !ReadU16(rootOffset + at, length) ||
        rootSize - at - 2 < length * 2u) {
        error = "resource name runs outside the resource directory";
        return false;
    }
    key.isString = true;
    for (std::uint16_t i = 0; i < length; ++i) {
        std::uint16_t unit = 0;
        static_cast<void>(ReadU16(rootOffset + at + 2 + i * 2u, unit));  // in range: checked above
        key.name.push_back(unit < 0x80 ? static_cast<char>(unit) : '?');
    }
    return true;
}

bool PeImage::ReadResourceDirectory(std::size_t rootOffset, std::uint32_t rootSize,
                                    std::uint32_t directoryOffset,
                                    std::vector<std::pair<ResourceKey, std::uint32_t>>& entries,
                                    std::string& error) const {
    entries.clear();
    std::uint16_t namedCount = 0;
    std::uint16_t idCount = 0;
    if (directoryOffset > rootSize || rootSize - directoryOffset < 16 ||
        !ReadU16(rootOffset + directoryOffset + 12, namedCount) ||
        !ReadU16(rootOffset + directoryOffset + 14, idCount)) {
        error = "resource directory runs outside its section";
        return false;
    }
    const std::uint32_t count = std::uint32_t{namedCount} + idCount;
    if (count > kMaxDirectoryEntries || rootSize - directoryOffset - 16 < count * 8u) {
        error = "resource directory entries run outside its section";
        return false;
    }
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::size_t entry = rootOffset + directoryOffset + 16 + i * std::size_t{8};
        std::uint32_t nameField = 0;
        std::uint32_t target = 0;
        static_cast<void>(ReadU32(entry, nameField));  // in range: checked above
        static_cast<void>(ReadU32(entry + 4, target));
        ResourceKey key;
        if (!ReadResourceKey(rootOffset, rootSize, nameField, key, error)) {
            return false;
        }
        entries.emplace_back(key, target);
    }
    return true;
}

bool PeImage::ParseResources(std::uint32_t rva, std::uint32_t size, std::string& error) {
    std::size_t root = 0;
    if (size < 16 || !RvaToOffset(rva, size, root)) {
        error = "resource directory runs outside the file";
        return false;
    }
    // Three levels: type, name, language; directories below, data at the
    // bottom. A subdirectory flag where data belongs (or the reverse) is an
    // error, which also rules out loops.
    std::vector<std::pair<ResourceKey, std::uint32_t>> types;
    if (!ReadResourceDirectory(root, size, 0, types, error)) {
        return false;
    }
    for (const auto& [type, typeTarget] : types) {
        if ((typeTarget & kHighBit) == 0) {
            error = "resource type " + type.Describe() + " is not a directory";
            return false;
        }
        std::vector<std::pair<ResourceKey, std::uint32_t>> names;
        if (!ReadResourceDirectory(root, size, typeTarget & ~kHighBit, names, error)) {
            return false;
        }
        for (const auto& [name, nameTarget] : names) {
            if ((nameTarget & kHighBit) == 0) {
                error =
                    "resource " + type.Describe() + "/" + name.Describe() + " is not a directory";
                return false;
            }
            std::vector<std::pair<ResourceKey, std::uint32_t>> languages;
            if (!ReadResourceDirectory(root, size, nameTarget & ~kHighBit, languages, error)) {
                return false;
            }
            for (const auto& [language, dataTarget] : languages) {
                const std::string where =
                    type.Describe() + "/" + name.Describe() + "/" + language.Describe();
                if ((dataTarget & kHighBit) != 0 || language.isString || dataTarget > size ||
                    size - dataTarget < 16) {
                    error = "resource " + where + " has no data entry";
                    return false;
                }
                std::uint32_t dataRva = 0;
                std::uint32_t dataSize = 0;
                static_cast<void>(ReadU32(root + dataTarget, dataRva));  // in range: checked above
                static_cast<void>(ReadU32(root + dataTarget + 4, dataSize));
                std::size_t dataOffset = 0;
                if (!RvaToOffset(dataRva, dataSize, dataOffset)) {
                    error = "data of resource " + where + " runs outside the file";
                    return false;
                }
                ResourceEntry resource;
                resource.type = type;
                resource.name = name;
                resource.language = language.id;
                resource.data.assign(
                    bytes_.begin() + static_cast<std::ptrdiff_t>(dataOffset),
                    bytes_.begin() + static_cast<std::ptrdiff_t>(dataOffset + dataSize));
                resources_.push_back(std::move(resource));
            }
        }
    }
    return true;
}

}  // namespace mirtane::checks
