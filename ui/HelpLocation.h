// Where the help page is: a registry value names its folder, and the page is
// opened from there as a file address. Without the value (an installation for
// one user, which cannot write the machine's registry), the page is looked for
// in the folder the plug-in itself was loaded from.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace mirtane::ui {

// The key under HKEY_LOCAL_MACHINE: vendor key, product, major version, each
// followed by one backslash.
constexpr const char* kHelpVendorKey = "SOFTWARE\\NORLUND\\PELT Plug-Ins";
constexpr const char* kHelpProductKey = "MIRTANE";
constexpr const char* kHelpVersionKey = "10";
constexpr const char* kHelpValueName = "HelpFile";
constexpr const char* kHelpPageName = "MirtaneHelp.htm";
constexpr std::size_t kHelpValueBufferSize = 254;

// Registry value types, as the registry numbers them.
constexpr std::uint32_t kRegistryString = 1;        // REG_SZ
constexpr std::uint32_t kRegistryExpandString = 2;  // REG_EXPAND_SZ
constexpr std::uint32_t kRegistryMultiString = 7;   // REG_MULTI_SZ

// "SOFTWARE\NORLUND\PELT Plug-Ins\MIRTANE\10\".
std::string HelpRegistryKeyPath();

// The help folder from a value the registry returned: `size` bytes of type
// `type`. Only a string (plain or expandable, not expanded) whose data ends
// with a NUL, or a multi-string whose data ends with two NULs (its first
// string is the folder), is accepted. False for any other type or shape.
bool HelpFolderFromValue(std::uint32_t type, const char* data, std::size_t size,
                         std::string& folder);

// The folder of a module file path: everything up to and including its last
// backslash or slash. False for a path without either (no folder to name).
bool FolderOfModulePath(const std::string& modulePath, std::string& folder);

// "file://" + folder + "MirtaneHelp.htm"; the folder carries its own
// trailing separator.
std::string HelpPageAddress(const std::string& folder);

// The anchor of the help page's section on versions and updates.
constexpr const char* kUpdatesSection = "versions";

// Where the update button leads: `releasesAddress` when the build was given
// one (non-empty), otherwise the section on versions and updates of the help
// page in `folder` (which ends with a separator), as a well-formed file
// address: "file:///C:/Program%20Files/.../MirtaneHelp.htm#versions", or
// "file://server/share/..." for a network folder. Backslashes become slashes;
// every byte outside letters, digits and -._~/: is percent-encoded (UTF-8 or
// code-page bytes alike), so spaces, '#' and '%' in folder names survive.
std::string UpdatePageAddress(const std::string& releasesAddress, const std::string& folder);

}  // namespace mirtane::ui
