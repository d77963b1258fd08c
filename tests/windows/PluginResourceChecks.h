// Field-by-field checks of the plug-in's resources as they come out of a
// built DLL: the property list hosts read to list and load the filter, the
// version information, and the scripting terminology. Each check decodes the
// raw resource bytes, compares every field with the value the plug-in must
// carry, and appends one line per discrepancy to `problems` (field name,
// byte offset, expected and found); no line means the resource matches.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/windows/PeImage.h"

namespace mirtane::checks {

constexpr std::uint16_t kPluginResourceId = 16000;
constexpr std::uint16_t kResourceLanguageUsEnglish = 1033;

// The property list ("PIPL" 16000). The entry-point key is 'wx86' for an
// i386 DLL and '8664' for an x86-64 one; everything else is identical.
void CheckPropertyList(const std::vector<std::uint8_t>& data, PeMachine machine,
                       std::vector<std::string>& problems);

// The version information (resource type 16): fixed part and US-English
// Unicode string table, every string terminated exactly once.
void CheckVersionInformation(const std::vector<std::uint8_t>& data,
                             std::vector<std::string>& problems);

// The scripting terminology ("AETE" 16000), byte for byte: every field is
// compared and no byte may follow the last one.
void CheckTerminology(const std::vector<std::uint8_t>& data, std::vector<std::string>& problems);

}  // namespace mirtane::checks
