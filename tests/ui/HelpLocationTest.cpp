// Finding the help page from its registry value.
#include <gtest/gtest.h>

#include <string>

#include "ui/HelpLocation.h"

namespace mirtane::ui {
namespace {

TEST(HelpLocation, KeyPathEndsEachPartWithOneBackslash) {
    EXPECT_EQ(HelpRegistryKeyPath(), "SOFTWARE\\NORLUND\\PELT Plug-Ins\\MIRTANE\\10\\");
}

TEST(HelpLocation, TerminatedStringsNameTheFolder) {
    const char data[] = "C:\\Help\\";  // sizeof counts the NUL
    for (std::uint32_t type : {kRegistryString, kRegistryExpandString}) {
        std::string folder;
        ASSERT_TRUE(HelpFolderFromValue(type, data, sizeof data, folder)) << type;
        EXPECT_EQ(folder, "C:\\Help\\");
    }
    std::string folder;
    ASSERT_TRUE(HelpFolderFromValue(kRegistryString, data, sizeof data, folder));
    EXPECT_EQ(HelpPageAddress(folder), "file://C:\\Help\\MirtaneHelp.htm");
}

TEST(HelpLocation, UnterminatedStringsAreRefused) {
    const char data[] = {'C', ':', '\\'};
    std::string folder = "unchanged";
    EXPECT_FALSE(HelpFolderFromValue(kRegistryString, data, sizeof data, folder));
    EXPECT_FALSE(HelpFolderFromValue(kRegistryString, data, 0, folder));
    EXPECT_EQ(folder, "unchanged");
}

TEST(HelpLocation, MultiStringsNeedTwoClosingNuls) {
    const char both[] = "D:\\Docs\\\0Other\0";  // the literal adds the last NUL
    std::string folder;
    ASSERT_TRUE(HelpFolderFromValue(kRegistryMultiString, both, sizeof both, folder));
    EXPECT_EQ(folder, "D:\\Docs\\");
    const char single[] = "D:\\Docs\\";
    EXPECT_FALSE(HelpFolderFromValue(kRegistryMultiString, single, sizeof single, folder));
}

TEST(HelpLocation, OtherTypesAreRefused) {
    const unsigned char dword[4] = {1, 0, 0, 0};
    std::string folder;
    EXPECT_FALSE(HelpFolderFromValue(4 /* REG_DWORD */, reinterpret_cast<const char*>(dword),
                                     sizeof dword, folder));
    const char text[] = "C:\\Help\\";
    EXPECT_FALSE(HelpFolderFromValue(3 /* REG_BINARY */, text, sizeof text, folder));
    EXPECT_FALSE(HelpFolderFromValue(kRegistryString, nullptr, 4, folder));
}

TEST(HelpLocation, ModuleFolderKeepsItsSeparator) {
    std::string folder;
    ASSERT_TRUE(FolderOfModulePath("C:\\Users\\ann\\Plug-ins\\x64\\Mirtane.8bf", folder));
    EXPECT_EQ(folder, "C:\\Users\\ann\\Plug-ins\\x64\\");
    EXPECT_EQ(HelpPageAddress(folder), "file://C:\\Users\\ann\\Plug-ins\\x64\\MirtaneHelp.htm");
    ASSERT_TRUE(FolderOfModulePath("Z:/tmp/Mirtane.8bf", folder));
    EXPECT_EQ(folder, "Z:/tmp/");
    ASSERT_TRUE(FolderOfModulePath("\\\\server\\share\\Mirtane.8bf", folder));
    EXPECT_EQ(folder, "\\\\server\\share\\");
}

TEST(HelpLocation, ModulePathWithoutFolderNamesNone) {
    std::string folder = "unchanged";
    EXPECT_FALSE(FolderOfModulePath("Mirtane.8bf", folder));
    EXPECT_FALSE(FolderOfModulePath("", folder));
    EXPECT_EQ(folder, "unchanged");
}

// The update button opens the help page's section on versions when the build
// names no releases page. A browser given a path with spaces or '#' in a
// folder name would open another file or none, so the address is checked
// byte by byte for drive and network folders.
TEST(HelpLocation, UpdatePageIsTheReleasesPageWhenTheBuildNamesOne) {
    EXPECT_EQ(UpdatePageAddress("https://example.org/mirtane/releases", "C:\\Help\\"),
              "https://example.org/mirtane/releases");
}

TEST(HelpLocation, UpdatePageIsTheVersionsSectionOfTheInstalledHelpPage) {
    EXPECT_EQ(UpdatePageAddress("", "C:\\Program Files\\Norlund\\Mirtane\\"),
              "file:///C:/Program%20Files/Norlund/Mirtane/MirtaneHelp.htm#versions");
    EXPECT_EQ(UpdatePageAddress("", "D:\\Plug-ins (x86) #2 & 100%\\x64\\"),
              "file:///D:/Plug-ins%20%28x86%29%20%232%20%26%20100%25/x64/MirtaneHelp.htm#versions");
    EXPECT_EQ(UpdatePageAddress("", "\\\\server\\share\\Plug-ins\\"),
              "file://server/share/Plug-ins/MirtaneHelp.htm#versions");
    EXPECT_EQ(UpdatePageAddress("", "C:\\Bilder\xc3\xa4\\"),
              "file:///C:/Bilder%C3%A4/MirtaneHelp.htm#versions");
}

}  // namespace
}  // namespace mirtane::ui
