// The scripting terminology ("AETE" 16000), byte for byte.
#include "tests/windows/PluginResourceChecks.h"

#include "resources/PluginIdentity.h"
#include "tests/windows/ResourceFieldReader.h"

namespace mirtane::checks {

void CheckTerminology(const std::vector<std::uint8_t>& data, std::vector<std::string>& problems) {
    FieldReader reader(data, "terminology", problems);
    reader.ExpectU16("resource format", 1);
    reader.ExpectU8("major version", 1);
    reader.ExpectU8("minor version", 0);
    reader.ExpectU16("language", 0);
    reader.ExpectU16("script", 0);
    reader.ExpectU16("suite count", 1);
    reader.ExpectPascalString("suite vendor", "Norlund");
    reader.ExpectPascalString("suite description", "Vexa plug-in");
    reader.ExpectCode("suite code", "sdk1");
    reader.ExpectU16("suite level", 1);
    reader.ExpectU16("suite version", 1);
    reader.ExpectU16("event count", 1);
    reader.ExpectPascalString("event name", "MIRTANE");
    reader.ExpectPascalString("event description", "MIRTANE filter plug-in");
    reader.ExpectCode("event class", "sdk1");
    reader.ExpectCode("event id", "sdk1");
    reader.ExpectCode("reply type", "null");
    reader.ExpectPascalString("reply description", "");
    reader.ExpectU16("reply flags", 0);
    reader.ExpectCode("direct parameter type", "#ImR");
    reader.ExpectPascalString("direct parameter description", "");
    reader.ExpectU16("direct parameter flags", 0xB000);
    reader.ExpectU16("parameter count", 3);
    struct Parameter {
        const char* name;
        const char (&key)[5];
        const char* description;
    };
    const Parameter parameters[3] = {
        {"Red Tint", "Rd  ", "Red Tint amount"},
        {"Green Tint", "Grn ", "Green Tint amount"},
        {"Blue Tint", "Bl  ", "Blue Tint amount"},
    };
    for (const Parameter& parameter : parameters) {
        const std::string field = std::string("parameter \"") + parameter.name + "\"";
        reader.ExpectPascalString(field + " name", parameter.name);
        reader.ExpectCode(field + " key", parameter.key);
        reader.ExpectCode(field + " type", "doub");
        reader.ExpectPascalString(field + " description", parameter.description);
        reader.ExpectU16(field + " flags", 0);
    }
    reader.ExpectU16("class count", 0);
    reader.ExpectU16("comparison operator count", 0);
    reader.ExpectU16("enumeration count", 0);
    reader.ExpectEnd();
}

}  // namespace mirtane::checks
