// The filter record hosts pass to PluginMain. Hosts pack it to 4 bytes (every
// other structure of the interface is naturally aligned); on x86-64 that puts
// abortProc at 4 and bufferProcs at 224. The assertions below pin every field
// Mirtane uses, so a layout mistake fails the build instead of a host.
#pragma once

#include "pluginapi/PluginSuites.h"

extern "C" {

#pragma pack(push, 4)
struct FilterRecord {
    std::int32_t serialNumber;
    TestAbortProc abortProc;
    ProgressProc progressProc;
    Handle parameters;
    Point imageSize;
    std::int16_t planes;
    Rect filterRect;
    RGBColor background;
    RGBColor foreground;
    std::int32_t maxSpace;
    std::int32_t bufferSpace;
    Rect inRect;
    std::int16_t inLoPlane;
    std::int16_t inHiPlane;
    Rect outRect;
    std::int16_t outLoPlane;
    std::int16_t outHiPlane;
    void* inData;
    std::int32_t inRowBytes;
    void* outData;
    std::int32_t outRowBytes;
    Boolean isFloating;
    Boolean haveMask;
    Boolean autoMask;
    Rect maskRect;
    void* maskData;
    std::int32_t maskRowBytes;
    FilterColor backColor;
    FilterColor foreColor;
    OSType hostSig;
    HostProc hostProc;
    std::int16_t imageMode;
    Fixed imageHRes;
    Fixed imageVRes;
    Point floatCoord;
    Point wholeSize;
    PlugInMonitor monitor;
    PlatformData* platformData;
    BufferProcs* bufferProcs;
    void* resourceProcs;
    ProcessEventProc processEvent;
    DisplayPixelsProc displayPixels;
    HandleProcs* handleProcs;
    Boolean supportsDummyChannels;
    Boolean supportsAlternateLayouts;
    std::int16_t wantLayout;
    std::int16_t filterCase;
    std::int16_t dummyPlaneValue;
    void* premiereHook;
    AdvanceStateProc advanceState;
    Boolean supportsAbsolute;
    Boolean wantsAbsolute;
    GetPropertyObsoleteProc getPropertyObsolete;
    Boolean cannotUndo;
    Boolean supportsPadding;
    std::int16_t inputPadding;
    std::int16_t outputPadding;
    std::int16_t maskPadding;
    char samplingSupport;
    char reservedByte;
    Fixed inputRate;
    Fixed maskRate;
    ColorServicesProc colorServices;
    std::int16_t inLayerPlanes;
    std::int16_t inTransparencyMask;
    std::int16_t inLayerMasks;
    std::int16_t inInvertedLayerMasks;
    std::int16_t inNonLayerPlanes;
    std::int16_t outLayerPlanes;
    std::int16_t outTransparencyMask;
    std::int16_t outLayerMasks;
    std::int16_t outInvertedLayerMasks;
    std::int16_t outNonLayerPlanes;
    std::int16_t absLayerPlanes;
    std::int16_t absTransparencyMask;
    std::int16_t absLayerMasks;
    std::int16_t absInvertedLayerMasks;
    std::int16_t absNonLayerPlanes;
    std::int16_t inPreDummyPlanes;
    std::int16_t inPostDummyPlanes;
    std::int16_t outPreDummyPlanes;
    std::int16_t outPostDummyPlanes;
    std::int32_t inColumnBytes;
    std::int32_t inPlaneBytes;
    std::int32_t outColumnBytes;
    std::int32_t outPlaneBytes;
    void* imageServicesProcs;
    PropertyProcs* propertyProcs;
    std::int16_t inTileHeight;
    std::int16_t inTileWidth;
    Point inTileOrigin;
    std::int16_t absTileHeight;
    std::int16_t absTileWidth;
    Point absTileOrigin;
    std::int16_t outTileHeight;
    std::int16_t outTileWidth;
    Point outTileOrigin;
    std::int16_t maskTileHeight;
    std::int16_t maskTileWidth;
    Point maskTileOrigin;
    PIDescriptorParameters* descriptorParameters;
    void* errorString;
    void* channelPortProcs;
    void* documentInfo;
    SPBasicSuite* sSPBasic;
    void* plugInRef;
    std::int32_t depth;
    Handle iCCprofileData;
    std::int32_t iCCprofileSize;
    std::int32_t canUseICCProfiles;
    std::int32_t hasImageScrap;
    void* bigDocumentData;
    char reserved[48];
};
#pragma pack(pop)

}  // extern "C"

#if UINTPTR_MAX == 0xFFFFFFFFu
#define PI_PIN(type, field, offset32, offset64) \
    static_assert(offsetof(type, field) == (offset32), #type "::" #field)
#define PI_SIZE(type, size32, size64) static_assert(sizeof(type) == (size32), "sizeof " #type)
#else
#define PI_PIN(type, field, offset32, offset64) \
    static_assert(offsetof(type, field) == (offset64), #type "::" #field)
#define PI_SIZE(type, size32, size64) static_assert(sizeof(type) == (size64), "sizeof " #type)
#endif

PI_PIN(FilterRecord, abortProc, 4, 4);
PI_PIN(FilterRecord, progressProc, 8, 12);
PI_PIN(FilterRecord, parameters, 12, 20);
PI_PIN(FilterRecord, planes, 20, 32);
PI_PIN(FilterRecord, filterRect, 22, 34);
PI_PIN(FilterRecord, maxSpace, 44, 56);
PI_PIN(FilterRecord, bufferSpace, 48, 60);
PI_PIN(FilterRecord, inRect, 52, 64);
PI_PIN(FilterRecord, inLoPlane, 60, 72);
PI_PIN(FilterRecord, inHiPlane, 62, 74);
PI_PIN(FilterRecord, outRect, 64, 76);
PI_PIN(FilterRecord, outLoPlane, 72, 84);
PI_PIN(FilterRecord, outHiPlane, 74, 86);
PI_PIN(FilterRecord, inData, 76, 88);
PI_PIN(FilterRecord, inRowBytes, 80, 96);
PI_PIN(FilterRecord, outData, 84, 100);
PI_PIN(FilterRecord, outRowBytes, 88, 108);
PI_PIN(FilterRecord, isFloating, 92, 112);
PI_PIN(FilterRecord, haveMask, 93, 113);
PI_PIN(FilterRecord, maskRect, 96, 116);
PI_PIN(FilterRecord, maskData, 104, 124);
PI_PIN(FilterRecord, maskRowBytes, 108, 132);
PI_PIN(FilterRecord, hostSig, 120, 144);
PI_PIN(FilterRecord, imageMode, 128, 156);
PI_PIN(FilterRecord, wholeSize, 144, 172);
PI_PIN(FilterRecord, monitor, 148, 176);
PI_PIN(FilterRecord, platformData, 188, 216);
PI_PIN(FilterRecord, bufferProcs, 192, 224);
PI_PIN(FilterRecord, displayPixels, 204, 248);
PI_PIN(FilterRecord, handleProcs, 208, 256);
PI_PIN(FilterRecord, filterCase, 216, 268);
PI_PIN(FilterRecord, advanceState, 224, 280);
PI_PIN(FilterRecord, inputPadding, 238, 302);
PI_PIN(FilterRecord, outputPadding, 240, 304);
PI_PIN(FilterRecord, maskPadding, 242, 306);
PI_PIN(FilterRecord, samplingSupport, 244, 308);
PI_PIN(FilterRecord, inputRate, 248, 312);
PI_PIN(FilterRecord, maskRate, 252, 316);
PI_PIN(FilterRecord, inLayerPlanes, 260, 328);
PI_PIN(FilterRecord, inColumnBytes, 300, 368);
PI_PIN(FilterRecord, propertyProcs, 320, 392);
PI_PIN(FilterRecord, inTileHeight, 324, 400);
PI_PIN(FilterRecord, inTileWidth, 326, 402);
PI_PIN(FilterRecord, absTileHeight, 332, 408);
PI_PIN(FilterRecord, absTileWidth, 334, 410);
PI_PIN(FilterRecord, outTileHeight, 340, 416);
PI_PIN(FilterRecord, outTileWidth, 342, 418);
PI_PIN(FilterRecord, maskTileOrigin, 352, 428);
PI_PIN(FilterRecord, descriptorParameters, 356, 432);
PI_PIN(FilterRecord, errorString, 360, 440);
PI_PIN(FilterRecord, sSPBasic, 372, 464);
PI_PIN(FilterRecord, depth, 380, 480);
PI_PIN(FilterRecord, iCCprofileData, 384, 484);
PI_PIN(FilterRecord, bigDocumentData, 400, 504);
PI_PIN(FilterRecord, reserved, 404, 512);
PI_SIZE(FilterRecord, 452, 560);

PI_PIN(PlatformData, hwnd, 0, 0);
PI_PIN(AboutRecord, platformData, 0, 0);
PI_PIN(AboutRecord, sSPBasic, 4, 8);
PI_PIN(AboutRecord, plugInRef, 8, 16);

PI_PIN(BufferProcs, allocateProc, 4, 8);
PI_PIN(BufferProcs, lockProc, 8, 16);
PI_PIN(BufferProcs, unlockProc, 12, 24);
PI_PIN(BufferProcs, freeProc, 16, 32);
PI_PIN(BufferProcs, spaceProc, 20, 40);
PI_SIZE(BufferProcs, 24, 48);

PI_PIN(HandleProcs, newProc, 4, 8);
PI_PIN(HandleProcs, disposeProc, 8, 16);
PI_PIN(HandleProcs, getSizeProc, 12, 24);
PI_PIN(HandleProcs, setSizeProc, 16, 32);
PI_PIN(HandleProcs, lockProc, 20, 40);
PI_PIN(HandleProcs, unlockProc, 24, 48);
PI_SIZE(HandleProcs, 36, 72);

PI_PIN(PropertyProcs, getPropertyProc, 4, 8);
PI_PIN(PropertyProcs, setPropertyProc, 8, 16);
PI_SIZE(PropertyProcs, 12, 24);

PI_PIN(ReadDescriptorProcs, openReadDescriptorProc, 4, 8);
PI_PIN(ReadDescriptorProcs, closeReadDescriptorProc, 8, 16);
PI_PIN(ReadDescriptorProcs, getKeyProc, 12, 24);
PI_PIN(ReadDescriptorProcs, getIntegerProc, 16, 32);
PI_SIZE(ReadDescriptorProcs, 76, 152);

PI_PIN(WriteDescriptorProcs, openWriteDescriptorProc, 4, 8);
PI_PIN(WriteDescriptorProcs, closeWriteDescriptorProc, 8, 16);
PI_PIN(WriteDescriptorProcs, putIntegerProc, 12, 24);
PI_SIZE(WriteDescriptorProcs, 68, 136);

PI_PIN(PIDescriptorParameters, playInfo, 2, 2);
PI_PIN(PIDescriptorParameters, recordInfo, 4, 4);
PI_PIN(PIDescriptorParameters, descriptor, 8, 8);
PI_PIN(PIDescriptorParameters, writeDescriptorProcs, 12, 16);
PI_PIN(PIDescriptorParameters, readDescriptorProcs, 16, 24);
PI_SIZE(PIDescriptorParameters, 20, 32);

PI_PIN(PSPixelMap, bounds, 4, 4);
PI_PIN(PSPixelMap, imageMode, 20, 20);
PI_PIN(PSPixelMap, rowBytes, 24, 24);
PI_PIN(PSPixelMap, colBytes, 28, 28);
PI_PIN(PSPixelMap, planeBytes, 32, 32);
PI_PIN(PSPixelMap, baseAddr, 36, 40);
PI_PIN(PSPixelMap, mat, 40, 48);
PI_PIN(PSPixelMap, masks, 44, 56);
PI_PIN(PSPixelMap, maskPhaseRow, 48, 64);
PI_PIN(PSPixelMap, maskPhaseCol, 52, 68);
PI_SIZE(PSPixelMap, 56, 72);

PI_PIN(PSPixelMask, maskData, 4, 8);
PI_PIN(PSPixelMask, rowBytes, 8, 16);
PI_PIN(PSPixelMask, colBytes, 12, 20);
PI_PIN(PSPixelMask, maskDescription, 16, 24);
PI_SIZE(PSPixelMask, 20, 32);

PI_PIN(SPBasicSuite, ReleaseSuite, 4, 8);
PI_PIN(SPBasicSuite, Undefined, 24, 48);
PI_PIN(PSDescriptorRegistryProcs, Get, 8, 16);
PI_PIN(PSActionDescriptorProcs, Free, 4, 8);
PI_PIN(PSActionDescriptorProcs, GetCount, 20, 40);
PI_PIN(PSActionDescriptorProcs, PutInteger, 36, 72);
PI_PIN(PSActionDescriptorProcs, GetInteger, 88, 176);

// The plug-in's entry point, exported undecorated with the C convention.
extern "C" typedef void(PI_CDECL* PluginEntryProc)(std::int16_t selector, void* record,
                                                   std::intptr_t* data, std::int16_t* result);
