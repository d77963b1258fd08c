// The PE reader of check_plugin_file, on small DLL images assembled here:
// one section holding an import table, an export table and a resource tree.
// It must find exactly what was put in, and refuse damaged files cleanly
// (the sanitizers watch every read).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/windows/ByteWriter.h"
#include "tests/windows/PeImage.h"

namespace mirtane::checks {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t kSectionRva = 0x1000;
constexpr std::uint32_t kSectionFileOffset = 0x200;

struct FakeResource {
    std::string type;  // a string type; empty means the numeric type below
    std::uint16_t typeId = 0;
    std::uint16_t nameId = 0;
    std::uint16_t language = 0;
    Bytes data;
};

struct FakeDll {
    std::uint16_t machine = 0x8664;
    bool dllFlag = true;
    std::vector<std::string> imports = {"KERNEL32.dll", "msvcrt.dll"};
    std::vector<std::string> exports = {"PluginMain", "_VexaMirtaneProc@16"};
    std::vector<FakeResource> resources;

    // The file; `resourceTree` receives the file offset of the resource root.
    Bytes Build(std::size_t* resourceTree = nullptr) const;
};

// Lays out the section: imports, exports, resources, each recording its RVA
// and size for the data directories.
Bytes FakeDll::Build(std::size_t* resourceTree) const {
    ByteWriter section;
    auto rvaOf = [](std::size_t sectionOffset) {
        return static_cast<std::uint32_t>(kSectionRva + sectionOffset);
    };

    const std::size_t importsAt = section.size();
    section.Zeros((imports.size() + 1) * 20);
    for (std::size_t i = 0; i < imports.size(); ++i) {
        section.Patch32(importsAt + i * 20 + 12, rvaOf(section.size()));
        section.Patch32(importsAt + i * 20 + 16, rvaOf(0));  // any non-zero thunk RVA
        section.Text(imports[i]).U8(0);
    }
    section.ZerosTo((section.size() + 3) & ~std::size_t{3});

    const std::size_t exportsAt = section.size();
    const auto count = static_cast<std::uint32_t>(exports.size());
    section.Zeros(40);
    const std::size_t functionsAt = section.size();
    for (std::uint32_t i = 0; i < count; ++i) {
        section.U32(
            rvaOf(importsAt));  // code would live elsewhere; any RVA outside the export table
    }
    const std::size_t namesAt = section.size();
    section.Zeros(count * 4);
    const std::size_t ordinalsAt = section.size();
    for (std::uint32_t i = 0; i < count; ++i) {
        section.U16(static_cast<std::uint16_t>(i));
    }
    for (std::uint32_t i = 0; i < count; ++i) {
        section.Patch32(namesAt + i * 4, rvaOf(section.size()));
        section.Text(exports[i]).U8(0);
    }
    section.Patch32(exportsAt + 20, count);
    section.Patch32(exportsAt + 24, count);
    section.Patch32(exportsAt + 28, rvaOf(functionsAt));
    section.Patch32(exportsAt + 32, rvaOf(namesAt));
    section.Patch32(exportsAt + 36, rvaOf(ordinalsAt));
    const std::size_t exportsSize = section.size() - exportsAt;
    section.ZerosTo((section.size() + 3) & ~std::size_t{3});

    // Resource tree: root, then per resource a name directory, a language
    // directory and a data entry, then the type names, then the data.
    const std::size_t resourcesAt = section.size();
    if (resourceTree != nullptr) {
        *resourceTree = kSectionFileOffset + resourcesAt;
    }
    const std::size_t typeCount = resources.size();
    ByteWriter tree;
    tree.Zeros(12).U16(0).U16(0).Zeros(typeCount * 8);
    std::uint16_t named = 0;
    std::vector<std::size_t> dataEntryAt;
    for (std::size_t i = 0; i < typeCount; ++i) {
        const FakeResource& resource = resources[i];
        named = static_cast<std::uint16_t>(named + (resource.type.empty() ? 0 : 1));
        const std::size_t nameDirectory = tree.size();
        tree.Zeros(12).U16(0).U16(1).U32(resource.nameId).U32(0);
        const std::size_t languageDirectory = tree.size();
        tree.Zeros(12).U16(0).U16(1).U32(resource.language).U32(0);
        dataEntryAt.push_back(tree.size());
        tree.Zeros(16);
        tree.Patch32(nameDirectory + 20,
                     0x80000000u | static_cast<std::uint32_t>(languageDirectory));
        tree.Patch32(languageDirectory + 20, static_cast<std::uint32_t>(dataEntryAt.back()));
        tree.Patch32(16 + i * 8 + 4, 0x80000000u | static_cast<std::uint32_t>(nameDirectory));
        if (resource.type.empty()) {
            tree.Patch32(16 + i * 8, resource.typeId);
        }
    }
    for (std::size_t i = 0; i < typeCount; ++i) {
        if (resources[i].type.empty()) {
            continue;
        }
        tree.Patch32(16 + i * 8, 0x80000000u | static_cast<std::uint32_t>(tree.size()));
        tree.U16(static_cast<std::uint16_t>(resources[i].type.size()));
        for (const char c : resources[i].type) {
            tree.U16(static_cast<std::uint16_t>(c));
        }
    }
    tree.Patch16(12, named);
    tree.Patch16(14, static_cast<std::uint16_t>(typeCount - named));
    const std::size_t treeSize = tree.size();
    for (std::size_t i = 0; i < typeCount; ++i) {
        tree.ZerosTo((tree.size() + 3) & ~std::size_t{3});
        tree.Patch32(dataEntryAt[i], rvaOf(resourcesAt + tree.size()));
        tree.Patch32(dataEntryAt[i] + 4, static_cast<std::uint32_t>(resources[i].data.size()));
        tree.Append(resources[i].data);
    }
    section.Append(tree.bytes);
    section.ZerosTo((section.size() + 0x1FF) & ~std::size_t{0x1FF});

    const bool pe32Plus = machine == 0x8664;
    const std::uint16_t optionalSize = pe32Plus ? 240 : 224;
    ByteWriter file;
    file.Text("MZ").ZerosTo(0x3C).U32(0x40);
    file.Text(std::string("PE\0\0", 4));
    file.U16(machine).U16(1).U32(0).U32(0).U32(0).U16(optionalSize).U16(dllFlag ? 0x2102 : 0x0102);
    const std::size_t optional = file.size();
    file.U16(pe32Plus ? 0x020B : 0x010B).ZerosTo(optional + (pe32Plus ? 108 : 92)).U32(16);
    const std::size_t directories = file.size();
    file.ZerosTo(optional + optionalSize);
    file.Patch32(directories + 0, rvaOf(exportsAt));
    file.Patch32(directories + 4, static_cast<std::uint32_t>(exportsSize));
    file.Patch32(directories + 8, rvaOf(importsAt));
    file.Patch32(directories + 12, static_cast<std::uint32_t>((imports.size() + 1) * 20));
    if (typeCount > 0) {
        file.Patch32(directories + 16, rvaOf(resourcesAt));
        file.Patch32(directories + 20, static_cast<std::uint32_t>(treeSize));
    }
    file.Text(".data").ZerosTo(file.size() + 3);
    file.U32(static_cast<std::uint32_t>(section.size())).U32(kSectionRva);
    file.U32(static_cast<std::uint32_t>(section.size())).U32(kSectionFileOffset).Zeros(16);
    file.ZerosTo(kSectionFileOffset).Append(section.bytes);
    return file.bytes;
}

FakeDll DllWithResources() {
    FakeDll dll;
    dll.resources.push_back({"PIPL", 0, 16000, 1033, {1, 2, 3, 4, 5}});
    dll.resources.push_back({"", 16, 1, 1033, {9, 8, 7}});
    return dll;
}

TEST(PeImage, ReadsMachineImportsExportsAndResources) {
    PeImage image;
    std::string error;
    ASSERT_EQ(image.Parse(DllWithResources().Build(), error), 0) << error;
    EXPECT_EQ(image.machine(), 0x8664);
    EXPECT_TRUE(image.isPe32Plus());
    EXPECT_TRUE(image.isDll());
    EXPECT_EQ(image.importedDlls(), (std::vector<std::string>{"KERNEL32.dll", "msvcrt.dll"}));
    EXPECT_EQ(image.exportedNames(),
              (std::vector<std::string>{"PluginMain", "_VexaMirtaneProc@16"}));
    ASSERT_EQ(image.resources().size(), 2u);
    const ResourceEntry& pipl = image.resources()[0];
    EXPECT_TRUE(pipl.type.Matches(std::string("PIPL")));
    EXPECT_TRUE(pipl.name.Matches(std::uint16_t{16000}));
    EXPECT_EQ(pipl.language, 1033);
    EXPECT_EQ(pipl.data, (Bytes{1, 2, 3, 4, 5}));
    const ResourceEntry& version = image.resources()[1];
    EXPECT_TRUE(version.type.Matches(std::uint16_t{16}));
    EXPECT_EQ(version.data, (Bytes{9, 8, 7}));
}

TEST(PeImage, ReadsA32BitImageWithoutTheDllFlag) {
    FakeDll dll;
    dll.machine = 0x014C;
    dll.dllFlag = false;
    PeImage image;
    std::string error;
    ASSERT_EQ(image.Parse(dll.Build(), error), 0) << error;
    EXPECT_EQ(image.machine(), 0x014C);
    EXPECT_FALSE(image.isPe32Plus());
    EXPECT_FALSE(image.isDll());
    EXPECT_TRUE(image.resources().empty());
}

TEST(PeImage, RefusesFilesThatAreNoImages) {
    PeImage image;
    std::string error;
    EXPECT_EQ(image.Parse({}, error), -1);
    EXPECT_EQ(image.Parse(Bytes{'M', 'Z'}, error), -1);
    Bytes text(4096, 'A');
    EXPECT_EQ(image.Parse(text, error), -1);
    EXPECT_FALSE(error.empty());
}

// Every prefix of a valid image either parses (once the tables it reads are
// complete) or is refused with a reason; the reader never reads past the end.
TEST(PeImage, EveryTruncationIsRefusedOrReadWithinBounds) {
    const Bytes good = DllWithResources().Build();
    std::size_t refused = 0;
    for (std::size_t size = 0; size < good.size(); ++size) {
        PeImage image;
        std::string error;
        if (image.Parse(Bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(size)),
                        error) != 0) {
            EXPECT_FALSE(error.empty()) << "size " << size;
            ++refused;
        }
    }
    // The tables end well before the section's zero padding: cutting into
    // them must be noticed.
    EXPECT_GT(refused, 0x200u);
}

TEST(PeImage, ResourceOffsetOutsideTheTreeIsRefused) {
    std::size_t root = 0;
    Bytes bytes = DllWithResources().Build(&root);
    PeImage image;
    std::string error;
    ASSERT_EQ(image.Parse(bytes, error), 0) << error;
    // The first type entry's subdirectory offset now points far past the tree.
    bytes[root + 16 + 4] = 0xF0;
    bytes[root + 16 + 5] = 0xFF;
    EXPECT_EQ(image.Parse(bytes, error), -1);
    EXPECT_NE(error.find("resource"), std::string::npos) << error;
}

}  // namespace
}  // namespace mirtane::checks
