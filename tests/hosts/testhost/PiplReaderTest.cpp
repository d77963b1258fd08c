// Decoding a plug-in property list as a host does to find the entry point.
#include <gtest/gtest.h>

#include <string>

#include "hosts/testhost/PiplReader.h"
#include "pluginapi/PluginConstants.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

void AppendLe32(Bytes& bytes, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

struct ListBuilder {
    Bytes bytes{1, 0, 0, 0, 0, 0, 0, 0, 0, 0};  // 16-bit 1, version 0, count 0
    std::uint32_t count = 0;

    // Stores `data` under `key` with the stated length; pads to 4 only when
    // asked, so unpadded lists can be built too.
    ListBuilder& Add(const char (&key)[5], Bytes data, bool pad = true) {
        AppendLe32(bytes, kPhotoshopSignature);
        AppendLe32(bytes, FourCharCode(key));
        AppendLe32(bytes, 0);
        if (pad) {
            data.resize((data.size() + 3) / 4 * 4, 0);
        }
        AppendLe32(bytes, static_cast<std::uint32_t>(data.size()));
        bytes.insert(bytes.end(), data.begin(), data.end());
        ++count;
        for (int i = 0; i < 4; ++i) {
            bytes[6 + i] = static_cast<std::uint8_t>(count >> (8 * i));
        }
        return *this;
    }
};

Bytes Text(const std::string& text) {
    Bytes bytes(text.begin(), text.end());
    bytes.push_back(0);
    return bytes;
}

Bytes Pascal(const std::string& text) {
    Bytes bytes{static_cast<std::uint8_t>(text.size())};
    bytes.insert(bytes.end(), text.begin(), text.end());
    return bytes;
}

TEST(PiplReader, FindsTheEntryPointOfEachArchitecture) {
    ListBuilder list;
    list.Add("kind", {'M', 'F', 'B', '8'})
        .Add("name", Pascal("Sample Filter"))
        .Add("vers", {0, 0, 4, 0})
        .Add("wx86", Text("EntryThirtyTwo"))
        .Add("8664", Text("EntrySixtyFour"));
    std::vector<testhost::PiplProperty> properties;
    std::string error;
    ASSERT_TRUE(testhost::ParsePipl(list.bytes.data(), list.bytes.size(), properties, error))
        << error;
    ASSERT_EQ(properties.size(), 5u);
    EXPECT_TRUE(testhost::IsFilterModule(properties));
    std::string name;
    ASSERT_TRUE(testhost::FindEntryPoint(properties, FourCharCode("8664"), name));
    EXPECT_EQ(name, "EntrySixtyFour");
    ASSERT_TRUE(testhost::FindEntryPoint(properties, FourCharCode("wx86"), name));
    EXPECT_EQ(name, "EntryThirtyTwo");
    EXPECT_FALSE(testhost::FindEntryPoint(properties, FourCharCode("wa64"), name));
    EXPECT_EQ(testhost::NativeEntryPointKey(),
              sizeof(void*) == 8 ? FourCharCode("8664") : FourCharCode("wx86"));
}

TEST(PiplReader, DescribesTheKeysOfTheFilterInterface) {
    ListBuilder list;
    list.Add("kind", {'M', 'F', 'B', '8'})
        .Add("name", Pascal("Sample Filter"))
        .Add("vers", {0, 0, 4, 0})
        .Add("mode", {0x10, 0, 0, 0});
    std::vector<testhost::PiplProperty> properties;
    std::string error;
    ASSERT_TRUE(testhost::ParsePipl(list.bytes.data(), list.bytes.size(), properties, error));
    EXPECT_EQ(testhost::DescribeProperty(properties[0]), "'8BIM' 'kind' id 0 length 4: '8BFM'");
    EXPECT_EQ(testhost::DescribeProperty(properties[1]),
              "'8BIM' 'name' id 0 length 16: \"Sample Filter\"");
    EXPECT_EQ(testhost::DescribeProperty(properties[2]), "'8BIM' 'vers' id 0 length 4: 4.0");
    EXPECT_EQ(testhost::DescribeProperty(properties[3]),
              "'8BIM' 'mode' id 0 length 4: 10 00 00 00");
}

TEST(PiplReader, AnUnpaddedLengthIsRoundedUpToTheNextProperty) {
    ListBuilder list;
    list.Add("name", Pascal("Odd"), false);  // length 4: already aligned
    list.Add("enbl", Text("ab"), false);     // length 3, then one byte of padding
    list.bytes.push_back(0);
    list.Add("8664", Text("Entry"));
    std::vector<testhost::PiplProperty> properties;
    std::string error;
    ASSERT_TRUE(testhost::ParsePipl(list.bytes.data(), list.bytes.size(), properties, error))
        << error;
    ASSERT_EQ(properties.size(), 3u);
    EXPECT_EQ(properties[1].length, 3);
    std::string name;
    ASSERT_TRUE(testhost::FindEntryPoint(properties, FourCharCode("8664"), name));
    EXPECT_EQ(name, "Entry");
}

TEST(PiplReader, TruncatedOrForeignListsAreRefused) {
    ListBuilder list;
    list.Add("8664", Text("PluginMain"));
    std::vector<testhost::PiplProperty> properties;
    std::string error;
    for (std::size_t size = 0; size < list.bytes.size(); ++size) {
        EXPECT_FALSE(testhost::ParsePipl(list.bytes.data(), size, properties, error)) << size;
    }
    Bytes versionOne = list.bytes;
    versionOne[2] = 1;
    EXPECT_FALSE(testhost::ParsePipl(versionOne.data(), versionOne.size(), properties, error));
    Bytes negativeLength = list.bytes;
    negativeLength[10 + 15] = 0x80;
    EXPECT_FALSE(
        testhost::ParsePipl(negativeLength.data(), negativeLength.size(), properties, error));
    EXPECT_FALSE(testhost::IsFilterModule(properties));
}

}  // namespace
