// Decoding a plug-in property list (the PiPL resource): a 16-bit value, a
// 32-bit list version that must be 0, a 32-bit property count, then the
// properties, each a vendor code, a key, a 32-bit id and a 32-bit length
// followed by that many data bytes. Integers and four-character codes are
// little-endian; the next property starts at the data length rounded up to 4,
// as hosts read it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "pluginapi/PluginTypes.h"

namespace testhost {

struct PiplProperty {
    OSType vendor = 0;
    OSType key = 0;
    std::int32_t id = 0;
    std::int32_t length = 0;  // as stored, before rounding
    std::vector<std::uint8_t> data;
};

// False, with a reason, for a list that is truncated or malformed.
[[nodiscard]] bool ParsePipl(const std::uint8_t* bytes, std::size_t size,
                             std::vector<PiplProperty>& properties, std::string& error);

// The key under which a plug-in names its entry point for the architecture
// this code runs on: '8664' for x86-64, 'wx86' for i386.
OSType NativeEntryPointKey();

// The NUL-terminated name stored under `key`; false when absent or empty.
[[nodiscard]] bool FindEntryPoint(const std::vector<PiplProperty>& properties, OSType key,
                                  std::string& name);

// True when the list declares a filter module ('kind' = '8BFM').
bool IsFilterModule(const std::vector<PiplProperty>& properties);

// "'8BIM' 'kind' id 0 length 4: 8BFM" and so on, decoding the keys the
// filter interface defines and printing others in hexadecimal.
std::string DescribeProperty(const PiplProperty& property);
std::string FourCharText(OSType code);

}  // namespace testhost
