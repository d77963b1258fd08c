// A small reader of Windows PE files (DLLs), enough to check a built plug-in
// on a machine that cannot load it: machine type, the DLL flag, imported DLL
// names, exported names and the resource tree. Every read is bounds-checked,
// so a truncated or corrupt file is reported, never read past.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace mirtane::checks {

enum class PeMachine : std::uint16_t {
    I386 = 0x014C,
    X8664 = 0x8664,
};

// A resource type or name: a number, or a string when isString is set.
struct ResourceKey {
    bool isString = false;
    std::uint16_t id = 0;
    std::string name;  // ASCII of the UTF-16 name; non-ASCII becomes '?'

    bool Matches(const std::string& text) const { return isString && name == text; }
    bool Matches(std::uint16_t number) const { return !isString && id == number; }
    std::string Describe() const;
};

struct ResourceEntry {
    ResourceKey type;
    ResourceKey name;
    std::uint16_t language = 0;
    std::vector<std::uint8_t> data;
};

class PeImage {
  public:
    // Parses a whole file. Returns 0, or -1 with a reason in `error` when the
    // file is not a well-formed PE image as far as the tables read here go.
    [[nodiscard]] int Parse(std::vector<std::uint8_t> bytes, std::string& error);

    std::uint16_t machine() const { return machine_; }
    bool isDll() const { return isDll_; }
    bool isPe32Plus() const { return isPe32Plus_; }
    const std::vector<std::string>& importedDlls() const { return importedDlls_; }
    const std::vector<std::string>& exportedNames() const { return exportedNames_; }
    const std::vector<ResourceEntry>& resources() const { return resources_; }

  private:
    struct Section {
        std::uint32_t virtualAddress;
        std::uint32_t virtualSize;
        std::uint32_t rawOffset;
        std::uint32_t rawSize;
    };

    bool ReadU16(std::size_t offset, std::uint16_t& value) const;
    bool ReadU32(std::size_t offset, std::uint32_t& value) const;
    // Maps an RVA to a file offset with at least `length` bytes of raw data.
    bool RvaToOffset(std::uint32_t rva, std::size_t length, std::size_t& offset) const;
    bool ReadCString(std::uint32_t rva, std::string& text, std::string& error) const;

    bool ParseImports(std::uint32_t rva, std::string& error);
    bool ParseExports(std::uint32_t rva, std::uint32_t size, std::string& error);
    bool ParseResources(std::uint32_t rva, std::uint32_t size, std::string& error);
    bool ReadResourceKey(std::size_t rootOffset, std::uint32_t rootSize, std::uint32_t field,
                         ResourceKey& key, std::string& error) const;
    bool ReadResourceDirectory(std::size_t rootOffset, std::uint32_t rootSize,
                               std::uint32_t directoryOffset,
                               std::vector<std::pair<ResourceKey, std::uint32_t>>& entries,
                               std::string& error) const;

    std::vector<std::uint8_t> bytes_;
    std::vector<Section> sections_;
    std::uint16_t machine_ = 0;
    bool isDll_ = false;
    bool isPe32Plus_ = false;
    std::vector<std::string> importedDlls_;
    std::vector<std::string> exportedNames_;
    std::vector<ResourceEntry> resources_;
};

}  // namespace mirtane::checks
