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

}  // namespace mirtane::ui
