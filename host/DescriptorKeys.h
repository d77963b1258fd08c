// Keys of the three tints in descriptors and the registry, and the stored
// form of a tint.
#pragma once

#include <cstdint>

#include "host/ParameterBlock.h"
#include "pluginapi/PluginTypes.h"

namespace mirtane {

constexpr DescriptorKeyID keyRedTint = FourCharCode("Rd  ");
constexpr DescriptorKeyID keyGreenTint = FourCharCode("Grn ");
constexpr DescriptorKeyID keyBlueTint = FourCharCode("Bl  ");

// Stored values are tint - 25 (0 neutral). Read back, the low 16 bits are
// taken as signed and 25 is added; nothing limits the result.
inline std::int32_t StoredTint(std::int32_t tint) { return tint - kNeutralTint; }
inline std::int32_t TintFromStored(std::int32_t stored) {
    return static_cast<std::int16_t>(stored & 0xFFFF) + kNeutralTint;
}

// The three tints of a parameter block with their keys, red first: the order
// in which they are stored and read.
struct TintField {
    DescriptorKeyID key;
    std::int32_t* tint;
};
struct TintFieldList {
    TintField fields[3];
    const TintField* begin() const { return fields; }
    const TintField* end() const { return fields + 3; }
};
inline TintFieldList TintFields(ParameterBlock* block) {
    return {{{keyRedTint, &block->redTint},
             {keyGreenTint, &block->greenTint},
             {keyBlueTint, &block->blueTint}}};
}

}  // namespace mirtane
