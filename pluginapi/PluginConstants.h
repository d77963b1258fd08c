// Selectors, result codes, keys and modes of the filter plug-in interface.
#pragma once

#include "pluginapi/PluginTypes.h"

// Selectors passed to PluginMain.
constexpr std::int16_t filterSelectorAbout = 0;
constexpr std::int16_t filterSelectorParameters = 1;
constexpr std::int16_t filterSelectorPrepare = 2;
constexpr std::int16_t filterSelectorStart = 3;
constexpr std::int16_t filterSelectorContinue = 4;
constexpr std::int16_t filterSelectorFinish = 5;

// Result codes written into the host's 16-bit result slot.
constexpr OSErr noErr = 0;
constexpr OSErr readErr = -19;
constexpr OSErr paramErr = -50;
constexpr OSErr memFullErr = -108;
constexpr OSErr userCanceledErr = -128;
constexpr OSErr errMissingParameter = -1715;
constexpr OSErr filterBadParameters = -30100;
constexpr OSErr filterBadMode = -30101;
constexpr OSErr errPlugInHostInsufficient = -30900;
constexpr OSErr errPlugInPropertyUndefined = -30901;
constexpr OSErr errReportString = -30904;

// PICA statuses.
constexpr SPErr kSPNoError = 0;
constexpr SPErr kSPSuiteNotFoundError = static_cast<SPErr>(0x53214664);  // 'S!Fd'
constexpr SPErr kSPBadParameterError = static_cast<SPErr>(0x5061726D);   // 'Parm'
constexpr SPErr kSPUnimplementedError = static_cast<SPErr>(0x21494D50);  // '!IMP'

// Signatures and property keys.
constexpr OSType kPhotoshopSignature = FourCharCode("8BIM");
constexpr OSType kFilterKind = FourCharCode("8BFM");
constexpr PIType propWatchSuspension = FourCharCode("wtch");

// Descriptor types.
constexpr DescType typeInteger = FourCharCode("long");
constexpr DescType typeFloat = FourCharCode("doub");
constexpr DescType typeNull = FourCharCode("null");

// descriptorParameters->playInfo and ->recordInfo.
constexpr std::int16_t plugInDialogDontDisplay = 0;
constexpr std::int16_t plugInDialogDisplay = 1;
constexpr std::int16_t plugInDialogSilent = 2;
constexpr std::int16_t plugInDialogOptional = 0;
constexpr std::int16_t plugInDialogRequired = 1;
constexpr std::int16_t plugInDialogNone = 2;

// filterCase values.
constexpr std::int16_t filterCaseUnsupported = -1;
constexpr std::int16_t filterCaseFlatImageNoSelection = 1;
constexpr std::int16_t filterCaseFlatImageWithSelection = 2;
constexpr std::int16_t filterCaseFloatingSelection = 3;
constexpr std::int16_t filterCaseEditableTransparencyNoSelection = 4;
constexpr std::int16_t filterCaseEditableTransparencyWithSelection = 5;
constexpr std::int16_t filterCaseProtectedTransparencyNoSelection = 6;
constexpr std::int16_t filterCaseProtectedTransparencyWithSelection = 7;

// Image modes (imageMode and PSPixelMap::imageMode).
constexpr std::int16_t plugInModeBitmap = 0;
constexpr std::int16_t plugInModeGrayScale = 1;
constexpr std::int16_t plugInModeIndexedColor = 2;
constexpr std::int16_t plugInModeRGBColor = 3;
constexpr std::int16_t plugInModeCMYKColor = 4;
constexpr std::int16_t plugInModeHSLColor = 5;
constexpr std::int16_t plugInModeHSBColor = 6;
constexpr std::int16_t plugInModeMultichannel = 7;
constexpr std::int16_t plugInModeDuotone = 8;
constexpr std::int16_t plugInModeLabColor = 9;
constexpr std::int16_t plugInModeGray16 = 10;
constexpr std::int16_t plugInModeRGB48 = 11;
constexpr std::int16_t plugInModeLab48 = 12;
constexpr std::int16_t plugInModeCMYK64 = 13;
constexpr std::int16_t plugInModeDeepMultichannel = 14;
constexpr std::int16_t plugInModeDuotone16 = 15;

// Padding values for inputPadding, outputPadding and maskPadding.
constexpr std::int16_t plugInWantsEdgeReplication = -1;
constexpr std::int16_t plugInDoesNotWantPadding = -2;
constexpr std::int16_t plugInWantsErrorOnBoundsException = -3;

constexpr Fixed kFixedOne = 0x00010000;

// PICA suites used for last-used settings.
constexpr const char* kPSDescriptorRegistrySuite = "61e608b0-40fd-11d1-8da3-00c04fd5f7ee";
constexpr std::int32_t kPSDescriptorRegistrySuiteVersion = 1;
constexpr const char* kPSActionDescriptorSuite = "df135115-c769-11d0-8079-00c04fd7ec47";
constexpr std::int32_t kPSActionDescriptorSuiteVersion = 2;
