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

}  // namespace
}  // namespace mirtane::ui
