// Primitive types of the Photoshop filter plug-in interface (version 4.0), as
// hosts lay them out on 32- and 64-bit Windows. We declare only what Mirtane
// uses; `long` in the interface always means 32 bits, so fixed-width types
// stand in for it and the same declarations build natively on Linux.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(_WIN32) && !defined(_WIN64)
#define PI_CDECL __cdecl
#else
#define PI_CDECL
#endif

using OSErr = std::int16_t;
using SPErr = std::int32_t;
using Fixed = std::int32_t;  // 16.16 fixed point, 1.0 = 0x00010000
using Boolean = std::uint8_t;
using OSType = std::uint32_t;
using PIType = std::uint32_t;
using DescriptorKeyID = std::uint32_t;
using DescType = std::uint32_t;
using Ptr = char*;
using Handle = char**;

struct BufferOpaque;
using BufferID = BufferOpaque*;
struct PIOpaqueReadDescriptor;
using PIReadDescriptor = PIOpaqueReadDescriptor*;
struct PIOpaqueWriteDescriptor;
using PIWriteDescriptor = PIOpaqueWriteDescriptor*;
struct PIOpaqueActionDescriptor;
using PIActionDescriptor = PIOpaqueActionDescriptor*;

// Four-character codes are stored as 32-bit integers, first character in the
// most significant byte: FourCharCode("8BIM") == 0x3842494D.
constexpr std::uint32_t FourCharCode(const char (&code)[5]) {
    return (static_cast<std::uint32_t>(static_cast<unsigned char>(code[0])) << 24) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(code[1])) << 16) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(code[2])) << 8) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(code[3]));
}

// Vertical first: wholeSize.h is the width, wholeSize.v the height.
struct Point {
    std::int16_t v;
    std::int16_t h;
};

// Bottom and right are exclusive; empty when right <= left or bottom <= top.
struct Rect {
    std::int16_t top;
    std::int16_t left;
    std::int16_t bottom;
    std::int16_t right;
};

struct VRect {
    std::int32_t top;
    std::int32_t left;
    std::int32_t bottom;
    std::int32_t right;
};

struct RGBColor {
    std::uint16_t red;
    std::uint16_t green;
    std::uint16_t blue;
};

using FilterColor = std::uint8_t[4];

struct PlugInMonitor {
    Fixed gamma;
    Fixed redX, redY;
    Fixed greenX, greenY;
    Fixed blueX, blueY;
    Fixed whiteX, whiteY;
    Fixed ambient;
};

static_assert(sizeof(Point) == 4 && sizeof(Rect) == 8 && sizeof(VRect) == 16,
              "host geometry types");
static_assert(sizeof(RGBColor) == 6 && sizeof(PlugInMonitor) == 40, "host colour types");
