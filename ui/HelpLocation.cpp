#include "ui/HelpLocation.h"

namespace mirtane::ui {

std::string HelpRegistryKeyPath() {
    return std::string(kHelpVendorKey) + "\\" + kHelpProductKey + "\\" + kHelpVersionKey + "\\";
}

bool HelpFolderFromValue(std::uint32_t type, const char* data, std::size_t size,
                         std::string& folder) {
    if (data == nullptr) {
        return false;
    }
    switch (type) {
    case kRegistryString:
    case kRegistryExpandString:
        if (size < 1 || data[size - 1] != '\0') {
            return false;
        }
        break;
    case kRegistryMultiString:
        if (size < 2 || data[size - 1] != '\0' || data[size - 2] != '\0') {
            return false;
        }
        break;
    default: return false;
    }
    folder.assign(data);  // up to the first NUL, which the checks above guarantee
    return true;
}

bool FolderOfModulePath(const std::string& modulePath, std::string& folder) {
    const std::size_t separator = modulePath.find_last_of("\\/");
    if (separator == std::string::npos) {
        return false;
    }
    folder = modulePath.substr(0, separator + 1);
    return true;
}

std::string HelpPageAddress(const std::string& folder) {
    return "file://" + folder + kHelpPageName;
}

namespace {

bool KeptInAddress(unsigned char byte) {
    return (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
           (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' || byte == '_' ||
           byte == '~' || byte == '/' || byte == ':';
}

}  // namespace

std::string UpdatePageAddress(const std::string& releasesAddress, const std::string& folder) {
    if (!releasesAddress.empty()) {
        return releasesAddress;
    }
    std::string path = folder + kHelpPageName;
    for (char& character : path) {
        if (character == '\\') {
            character = '/';
        }
    }
    // A drive path gets an empty host ("file:///C:/"); a network path
    // ("//server/share/") already begins with the host's two slashes.
    const bool network = path.compare(0, 2, "//") == 0;
    std::string address = network ? "file:" : "file:///";
    constexpr const char* kHexDigits = "0123456789ABCDEF";
    for (const char character : path) {
        const auto byte = static_cast<unsigned char>(character);
        if (KeptInAddress(byte)) {
            address += character;
        } else {
            address += '%';
            address += kHexDigits[byte >> 4];
            address += kHexDigits[byte & 0x0F];
        }
    }
    return address + "#" + kUpdatesSection;
}

}  // namespace mirtane::ui
