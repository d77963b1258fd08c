// The resource decoders of check_plugin_file must pass a correct resource
// and report every deviation from it: each test builds the bytes inline,
// field by field, then damages them the way a resource script goes wrong
// (a forgotten NUL, an unpadded length, the wrong entry-point key).
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "resources/PluginIdentity.h"
#include "tests/windows/ByteWriter.h"
#include "tests/windows/PluginResourceChecks.h"

namespace mirtane::checks {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::size_t Find(const Bytes& bytes, const std::string& text) {
    const auto it = std::search(bytes.begin(), bytes.end(), text.begin(), text.end());
    EXPECT_NE(it, bytes.end()) << "\"" << text << "\" not in the fixture";
    return static_cast<std::size_t>(it - bytes.begin());
}

bool AnyProblemMentions(const std::vector<std::string>& problems, const std::string& text) {
    return std::any_of(problems.begin(), problems.end(), [&](const std::string& problem) {
        return problem.find(text) != std::string::npos;
    });
}

std::string Joined(const std::vector<std::string>& problems) {
    std::string text;
    for (const std::string& problem : problems) {
        text += problem + "\n";
    }
    return text;
}

// ---- Property list ----------------------------------------------------------

void Property(ByteWriter& list, const char (&key)[5], const ByteWriter& data) {
    list.Code("8BIM")
        .Code(key)
        .U32(0)
        .U32(static_cast<std::uint32_t>(data.size()))
        .Append(data.bytes);
}

Bytes PropertyList(const char (&entryKey)[5]) {
    ByteWriter list;
    list.U16(1).U32(0).U32(9);
    Property(list, "kind", ByteWriter().Code("8BFM"));
    Property(list, "name", ByteWriter().PascalString("MIRTANE v1.1.4").ZerosTo(16));
    Property(list, "catg", ByteWriter().PascalString("Norlund"));
    Property(list, "vers", ByteWriter().U32(0x00040000));
    Property(list, entryKey, ByteWriter().Text("PluginMain").Zeros(2));
    Property(list, "mode", ByteWriter().U8(0x10).Zeros(3));
    Property(list, "hstm",
             ByteWriter()
                 .U32(0)
                 .Code("sdk1")
                 .Code("sdk1")
                 .U16(16000)
                 .Text(MIRTANE_UNIQUE_ID)
                 .ZerosTo(56));
    Property(list, "enbl", ByteWriter().Text("in (PSHOP_ImageMode, RGBMode)").ZerosTo(32));
    ByteWriter cases;
    for (int i = 0; i < 7; ++i) {
        cases.U8(4).U8(4).U8(0).U8(0);
    }
    Property(list, "fici", cases);
    return list.bytes;
}

std::vector<std::string> PropertyListProblems(const Bytes& bytes, PeMachine machine) {
    std::vector<std::string> problems;
    CheckPropertyList(bytes, machine, problems);
    return problems;
}

TEST(PropertyListCheck, CorrectListsOfBothMachinesPass) {
    const Bytes i386 = PropertyList("wx86");
    const Bytes x8664 = PropertyList("8664");
    EXPECT_EQ(i386.size(), 318u);
    EXPECT_EQ(PropertyListProblems(i386, PeMachine::I386), std::vector<std::string>{});
    EXPECT_EQ(PropertyListProblems(x8664, PeMachine::X8664), std::vector<std::string>{});
}

TEST(PropertyListCheck, EntryPointKeyMustBeTheMachines) {
    const auto asX8664 = PropertyListProblems(PropertyList("wx86"), PeMachine::X8664);
    ASSERT_EQ(asX8664.size(), 1u) << Joined(asX8664);
    EXPECT_TRUE(AnyProblemMentions(asX8664, "expected '8664'")) << Joined(asX8664);

    const auto asI386 = PropertyListProblems(PropertyList("8664"), PeMachine::I386);
    ASSERT_EQ(asI386.size(), 1u) << Joined(asI386);
    EXPECT_TRUE(AnyProblemMentions(asI386, "expected 'wx86'")) << Joined(asI386);
}

TEST(PropertyListCheck, EveryDamagedByteIsReported) {
    const Bytes good = PropertyList("wx86");
    for (std::size_t i = 0; i < good.size(); ++i) {
        Bytes damaged = good;
        damaged[i] ^= 0x5A;
        EXPECT_FALSE(PropertyListProblems(damaged, PeMachine::I386).empty()) << "byte " << i;
    }
}

TEST(PropertyListCheck, EveryTruncationIsReported) {
    const Bytes good = PropertyList("wx86");
    for (std::size_t size = 0; size < good.size(); ++size) {
        const Bytes cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(size));
        EXPECT_FALSE(PropertyListProblems(cut, PeMachine::I386).empty()) << "size " << size;
    }
}

TEST(PropertyListCheck, TrailingBytesAreReported) {
    Bytes longer = PropertyList("wx86");
    longer.push_back(0);
    const auto problems = PropertyListProblems(longer, PeMachine::I386);
    EXPECT_TRUE(AnyProblemMentions(problems, "after the last field")) << Joined(problems);
}

TEST(PropertyListCheck, EntryPointWithoutTerminatorIsReported) {
    Bytes bytes = PropertyList("wx86");
    const std::size_t at = Find(bytes, "PluginMain");
    bytes[at + 10] = 'X';
    bytes[at + 11] = 'Y';
    const auto problems = PropertyListProblems(bytes, PeMachine::I386);
    EXPECT_TRUE(AnyProblemMentions(problems, "entry point")) << Joined(problems);
}

// A script that states the raw 15-byte length of the menu name instead of
// the padded 16 misleads hosts that step by the stated length.
TEST(PropertyListCheck, UnpaddedLengthIsReported) {
    ByteWriter list;
    list.U16(1).U32(0).U32(9);
    Property(list, "kind", ByteWriter().Code("8BFM"));
    Property(list, "name", ByteWriter().PascalString("MIRTANE v1.1.4"));
    const Bytes rest = PropertyList("wx86");
    list.Append(
        Bytes(rest.begin() + static_cast<std::ptrdiff_t>(Find(rest, "MIB8gtac")), rest.end()));
    const auto problems = PropertyListProblems(list.bytes, PeMachine::I386);
    EXPECT_TRUE(AnyProblemMentions(problems, "('name') length at offset 42: expected 16, found 15"))
        << Joined(problems);
}

TEST(PropertyListCheck, WrongLengthPrefixIsReported) {
    Bytes bytes = PropertyList("wx86");
    bytes[Find(bytes, "Norlund") - 1] = 8;
    const auto problems = PropertyListProblems(bytes, PeMachine::I386);
    EXPECT_TRUE(AnyProblemMentions(problems, "category")) << Joined(problems);
}

TEST(PropertyListCheck, PropertiesAfterAWrongOneAreStillDecoded) {
    Bytes bytes = PropertyList("wx86");
    bytes[Find(bytes, "MIRTANE v1.1.4")] = 'N';
    bytes[bytes.size() - 3] = 2;  // output handling of the last filter case
    const auto problems = PropertyListProblems(bytes, PeMachine::I386);
    EXPECT_EQ(problems.size(), 2u) << Joined(problems);
    EXPECT_TRUE(AnyProblemMentions(problems, "menu name")) << Joined(problems);
    EXPECT_TRUE(
        AnyProblemMentions(problems, "protected transparency with selection output handling"))
        << Joined(problems);
}

TEST(PropertyListCheck, IdentifierThatIsNoGuidIsReported) {
    Bytes bytes = PropertyList("wx86");
    const std::size_t at = Find(bytes, MIRTANE_UNIQUE_ID);
    bytes[at + 9] = 'x';  // the first dash
    const auto problems = PropertyListProblems(bytes, PeMachine::I386);
    EXPECT_TRUE(AnyProblemMentions(problems, "not a GUID")) << Joined(problems);
}

// ---- Version information ------------------------------------------------------

std::size_t AlignTo4(std::size_t size) { return (size + 3) & ~std::size_t{3}; }

// One node: length, value length, type, UTF-16 key, padding, value, children.
Bytes VersionNode(const std::string& key, std::uint16_t type, std::uint16_t valueLength,
                  const Bytes& value, const std::vector<Bytes>& children = {}) {
    ByteWriter node;
    node.U16(0).U16(valueLength).U16(type);
    for (const char c : key) {
        node.U16(static_cast<std::uint16_t>(c));
    }
    node.U16(0).ZerosTo(AlignTo4(node.size())).Append(value);
    for (const Bytes& child : children) {
        node.ZerosTo(AlignTo4(node.size())).Append(child);
    }
    node.Patch16(0, static_cast<std::uint16_t>(node.size()));
    return node.bytes;
}

Bytes Utf16(const std::string& text) {
    ByteWriter units;
    for (const char c : text) {
        units.U16(static_cast<std::uint16_t>(c));
    }
    return units.bytes;
}

// A string entry as resource compilers write it: the text and one NUL,
// the value length counting both.
Bytes StringEntry(const std::string& key, const std::string& text) {
    Bytes value = Utf16(text);
    value.push_back(0);
    value.push_back(0);
    return VersionNode(key, 1, static_cast<std::uint16_t>(text.size() + 1), value);
}

struct VersionFixture {
    std::uint32_t fileVersionLow = 0x00040000;
    std::vector<Bytes> strings = {
        StringEntry("CompanyName", "Norlund"),
        StringEntry("FileDescription", "MIRTANE Plug-In"),
        StringEntry("FileVersion", "1.1.4"),
        StringEntry("InternalName", "MIRTANE Plug-In"),
        StringEntry("LegalCopyright", "Copyright (C) Norlund"),
        StringEntry("OriginalFilename", "Mirtane.8bf"),
        StringEntry("ProductName", "MIRTANE Plug-In"),
        StringEntry("ProductVersion", "1.1.4"),
    };
    std::uint16_t codePage = 1200;

    Bytes Build() const {
        ByteWriter fixed;
        fixed.U32(0xFEEF04BD).U32(0x00010000);
        fixed.U32(0x00010001).U32(fileVersionLow).U32(0x00010001).U32(0x00040000);
        fixed.U32(0x3F).U32(0).U32(4).U32(2).U32(0).U32(0).U32(0);
        const Bytes table = VersionNode("040904B0", 1, 0, {}, strings);
        const Bytes translation =
            VersionNode("Translation", 0, 4, ByteWriter().U16(0x0409).U16(codePage).bytes);
        return VersionNode("VS_VERSION_INFO", 0, 52, fixed.bytes,
                           {VersionNode("StringFileInfo", 1, 0, {}, {table}),
                            VersionNode("VarFileInfo", 1, 0, {}, {translation})});
    }
};

std::vector<std::string> VersionProblems(const Bytes& bytes) {
    std::vector<std::string> problems;
    CheckVersionInformation(bytes, problems);
    return problems;
}

TEST(VersionInformationCheck, CorrectInformationPasses) {
    EXPECT_EQ(VersionProblems(VersionFixture().Build()), std::vector<std::string>{});
}

TEST(VersionInformationCheck, StringWithoutTerminatorIsReported) {
    VersionFixture fixture;
    fixture.strings[2] = VersionNode("FileVersion", 1, 5, Utf16("1.1.4"));
    const auto problems = VersionProblems(fixture.Build());
    EXPECT_TRUE(AnyProblemMentions(problems, "\"FileVersion\" is not NUL-terminated"))
        << Joined(problems);
}

// A script that writes "1.1.4\0" where the compiler already terminates
// strings stores two NULs, and the stated length counts both.
TEST(VersionInformationCheck, DoublyTerminatedStringIsReported) {
    VersionFixture fixture;
    fixture.strings[7] = StringEntry("ProductVersion", std::string("1.1.4") + '\0');
    const auto problems = VersionProblems(fixture.Build());
    EXPECT_TRUE(AnyProblemMentions(problems, "\"ProductVersion\" has a NUL inside"))
        << Joined(problems);
}

TEST(VersionInformationCheck, WrongFileVersionIsReported) {
    VersionFixture fixture;
    fixture.fileVersionLow = 0x00030000;
    const auto problems = VersionProblems(fixture.Build());
    EXPECT_TRUE(
        AnyProblemMentions(problems, "file version (low): expected 0x00040000, found 0x00030000"))
        << Joined(problems);
}

TEST(VersionInformationCheck, MissingAndWrongStringsAreReported) {
    VersionFixture fixture;
    fixture.strings.erase(fixture.strings.begin() + 5);  // OriginalFilename
    fixture.strings[0] = StringEntry("CompanyName", "Someone");
    const auto problems = VersionProblems(fixture.Build());
    EXPECT_TRUE(AnyProblemMentions(problems, "\"OriginalFilename\" is missing"))
        << Joined(problems);
    EXPECT_TRUE(AnyProblemMentions(problems, "\"CompanyName\": expected \"Norlund\""))
        << Joined(problems);
}

TEST(VersionInformationCheck, WrongCodePageIsReported) {
    VersionFixture fixture;
    fixture.codePage = 1252;
    const auto problems = VersionProblems(fixture.Build());
    EXPECT_TRUE(AnyProblemMentions(problems, "Translation")) << Joined(problems);
}

TEST(VersionInformationCheck, EveryTruncationIsReported) {
    const Bytes good = VersionFixture().Build();
    for (std::size_t size = 0; size < good.size(); ++size) {
        const Bytes cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(size));
        EXPECT_FALSE(VersionProblems(cut).empty()) << "size " << size;
    }
}

// ---- Terminology ---------------------------------------------------------------

Bytes Terminology(const char (&parameterType)[5]) {
    ByteWriter aete;
    aete.U16(1).U8(1).U8(0).U16(0).U16(0);
    aete.U16(1).PascalString("Norlund").PascalString("Vexa plug-in").Code("sdk1").U16(1).U16(1);
    aete.U16(1)
        .PascalString("MIRTANE")
        .PascalString("MIRTANE filter plug-in")
        .Code("sdk1")
        .Code("sdk1");
    aete.Code("null").PascalString("").U16(0);
    aete.Code("#ImR").PascalString("").U16(0xB000);
    aete.U16(3);
    aete.PascalString("Red Tint")
        .Code("Rd  ")
        .Code(parameterType)
        .PascalString("Red Tint amount")
        .U16(0);
    aete.PascalString("Green Tint")
        .Code("Grn ")
        .Code(parameterType)
        .PascalString("Green Tint amount")
        .U16(0);
    aete.PascalString("Blue Tint")
        .Code("Bl  ")
        .Code(parameterType)
        .PascalString("Blue Tint amount")
        .U16(0);
    aete.U16(0).U16(0).U16(0);
    return aete.bytes;
}

std::vector<std::string> TerminologyProblems(const Bytes& bytes) {
    std::vector<std::string> problems;
    CheckTerminology(bytes, problems);
    return problems;
}

TEST(TerminologyCheck, CorrectTerminologyPasses) {
    EXPECT_EQ(TerminologyProblems(Terminology("doub")), std::vector<std::string>{});
}

TEST(TerminologyCheck, EveryDamagedByteIsReported) {
    const Bytes good = Terminology("doub");
    for (std::size_t i = 0; i < good.size(); ++i) {
        Bytes damaged = good;
        damaged[i] ^= 0x21;
        EXPECT_FALSE(TerminologyProblems(damaged).empty()) << "byte " << i;
    }
}

TEST(TerminologyCheck, EveryTruncationAndTrailingByteIsReported) {
    const Bytes good = Terminology("doub");
    for (std::size_t size = 0; size < good.size(); ++size) {
        const Bytes cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(size));
        EXPECT_FALSE(TerminologyProblems(cut).empty()) << "size " << size;
    }
    Bytes longer = good;
    longer.push_back(0);
    EXPECT_FALSE(TerminologyProblems(longer).empty());
}

TEST(TerminologyCheck, ParameterTypeIsNamedWhenWrong) {
    const auto problems = TerminologyProblems(Terminology("long"));
    EXPECT_EQ(problems.size(), 3u) << Joined(problems);
    EXPECT_TRUE(AnyProblemMentions(problems, "parameter \"Green Tint\" type")) << Joined(problems);
}

}  // namespace
}  // namespace mirtane::checks
