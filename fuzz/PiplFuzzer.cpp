// Any bytes given to the property-list reader either parse into properties
// whose data lie within the input, or fail with a reason; every parsed
// property can be described and searched.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "hosts/testhost/PiplReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<testhost::PiplProperty> properties;
    std::string error;
    if (!testhost::ParsePipl(data, size, properties, error)) {
        if (error.empty()) {
            std::abort();  // a failure must say why
        }
        return 0;
    }
    std::size_t total = 0;
    for (const testhost::PiplProperty& property : properties) {
        if (property.length < 0 ||
            property.data.size() != static_cast<std::size_t>(property.length)) {
            std::abort();
        }
        total += property.data.size();
        static_cast<void>(testhost::DescribeProperty(property));
    }
    if (total > size) {
        std::abort();
    }
    std::string name;
    static_cast<void>(testhost::FindEntryPoint(properties, testhost::NativeEntryPointKey(), name));
    static_cast<void>(testhost::IsFilterModule(properties));
    return 0;
}
