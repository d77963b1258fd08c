#include "pipeline/ReadAndReducePlanes.h"

#include <cassert>
#include <cstddef>
#include <utility>

#include "analysis/Tasks.h"
#include "pipeline/HostRequest.h"
#include "pipeline/PixelLayout.h"
#include "pipeline/PlaneToFloats.h"
#include "pipeline/ReducePlane.h"
#include "run/TrackedBuffer.h"

namespace mirtane {

namespace {

constexpr int kColourPlanes = 3;

bool SameRect(const Rect& a, const Rect& b) {
    return a.top == b.top && a.left == b.left && a.bottom == b.bottom && a.right == b.right;
}

// One plane of the delivered image, converted to scaled floats a row at a
// time as the reduction asks for it: the row stays in cache for the
// horizontal pass, and no full-resolution float plane is ever held. Each
// float is the one ExtractScaledPlane gives for the whole plane.
struct DeliveredPlane {
    const std::uint8_t* data;
    std::int32_t rowBytes;
    PixelLayout layout;
    std::int32_t plane;
    std::int16_t width;
    float* row;
    const ScaledByteTable* table;  // of kSampleScale
};

const float* ConvertDeliveredRow(void* context, std::int32_t y) {
    const auto* source = static_cast<const DeliveredPlane*>(context);
    const Rect oneRow = {0, 0, 1, source->width};
    ExtractScaledPlane(source->data + static_cast<std::ptrdiff_t>(y) * source->rowBytes,
                       source->row, oneRow, source->rowBytes, source->layout, source->plane,
                       *source->table);
    return source->row;
}

// Working bytes of one plane's reduction when the planes are reduced side
// by side: its ring of smoothed rows and a row of converted floats.
std::uint64_t SideBySidePlaneBytes(std::int32_t width, std::int32_t height) {
    return ReductionScratchBytes(width, height) + 4 * static_cast<std::uint64_t>(width);
}

std::uint64_t ReducedPlaneBytes(std::int32_t width, std::int32_t height) {
    return 4 * static_cast<std::uint64_t>(width / 4) * static_cast<std::uint64_t>(height / 4);
}

bool SideBySideFits(std::int32_t width, std::int32_t height, std::uint64_t workBytes) {
    return kColourPlanes *
               (ReducedPlaneBytes(width, height) + SideBySidePlaneBytes(width, height)) <=
           workBytes;
}

// The three planes reduced as tasks that may run side by side (see
// analysis/Tasks.h): each with its own ring and row, behind the three
// reduced planes, so that no task writes where another reads. The planes
// are the same floats as one after another. The host is not called here.
bool ReducePlanesSideBySide(std::int32_t width, std::int32_t height, const std::uint8_t* delivered,
                            std::int32_t rowBytes, const PixelLayout& layout,
                            const ScaledByteTable& sampleTable, std::uint8_t* work,
                            float* (&planes)[kColourPlanes]) {
    const std::uint64_t reducedBytes = ReducedPlaneBytes(width, height);
    const std::uint64_t ringBytes = ReductionScratchBytes(width, height);
    std::uint8_t* const behind = work + kColourPlanes * reducedBytes;
    DeliveredPlane sources[kColourPlanes];
    float* rings[kColourPlanes];
    for (int i = 0; i < kColourPlanes; ++i) {
        std::uint8_t* const own = behind + i * SideBySidePlaneBytes(width, height);
        rings[i] = reinterpret_cast<float*>(own);
        sources[i] = DeliveredPlane{delivered,
                                    rowBytes,
                                    layout,
                                    i,
                                    static_cast<std::int16_t>(width),
                                    reinterpret_cast<float*>(own + ringBytes),
                                    &sampleTable};
        planes[i] = reinterpret_cast<float*>(work + i * reducedBytes);
    }
    std::int32_t status[kColourPlanes] = {};
    auto reduce = [&](std::int32_t i) {
        status[i] = ReducePlaneRows(PlaneRows{&ConvertDeliveredRow, &sources[i]}, width, height,
                                    planes[i], rings[i], static_cast<std::int64_t>(ringBytes));
    };
    RunEachTask(kColourPlanes, reduce);
    return status[0] == 0 && status[1] == 0 && status[2] == 0;
}

}  // namespace

std::uint64_t WorkBufferBytes(std::int32_t width, std::int32_t height) {
    if (width <= 0 || height <= 0) return 0;
    // For 16-bit sides 3 * width * height is below 2^32: the double holds it
    // and the added half exactly, and the one rounding is to single precision.
    // The truncation is a plain conversion because the value passes the int32
    // helpers' range.
    const double exact = 3.0 * static_cast<double>(width) * static_cast<double>(height) + 0.5;
    return static_cast<std::uint64_t>(static_cast<float>(exact));
}

IntakeStatus ReadAndReducePlanes(std::int32_t width, std::int32_t height, ReducedPlanes* out) {
    assert(out != nullptr && CurrentFilterRecord() != nullptr);
    assert(width > 0 && width <= 0x7FFF && height > 0 && height <= 0x7FFF);
    FilterRecord* record = CurrentFilterRecord();

    // One row of floats at a time (see DeliveredPlane).
    TrackedBuffer rowFloats = TrackedBuffer::Cleared(4 * static_cast<std::uint64_t>(width));
    if (!rowFloats) return IntakeStatus::HostFailure;
    const std::uint64_t workBytes = WorkBufferBytes(width, height);
    // Every byte of the work buffer that is read was written first: each
    // reduced plane by the vertical pass, each ring row by the horizontal
    // pass. Clearing it would only touch memory that is never used: the
    // reduction touches the three reduced planes and a few rows behind them,
    // a quarter of the bytes asked for.
    TrackedBuffer work = TrackedBuffer::Uncleared(workBytes);
    if (!work) return IntakeStatus::HostFailure;

    const std::int32_t reducedWidth = width / 4;
    const std::int32_t reducedHeight = height / 4;
    const std::uint64_t reducedBytes = ReducedPlaneBytes(width, height);

    // All three planes in one request, taken apart here. Hosts that ignore
    // the plane range, refill inData only when inRect changes, or store the
    // document in another plane order all deliver a full interleaved request
    // correctly, where a request per plane reads one plane three times.
    const Rect whole = {0, 0, static_cast<std::int16_t>(height), static_cast<std::int16_t>(width)};
    record->inRect = whole;
    record->outRect = kEmptyRect;
    record->maskRect = kEmptyRect;
    record->inputPadding = 0;
    record->outputPadding = 0;
    record->inLoPlane = 0;
    record->inHiPlane = kColourPlanes - 1;
    record->outLoPlane = 0;
    record->outHiPlane = kColourPlanes - 1;
    if (RequestFromHost() != noErr) return IntakeStatus::HostFailure;
    // A host that answers without data, or with another area than the one
    // asked for, cannot be read from.
    if (record->inData == nullptr || !SameRect(record->inRect, whole))
        return IntakeStatus::ReductionFailed;
    const auto* delivered = static_cast<const std::uint8_t*>(record->inData);
    const PixelLayout layout =
        ResolveLayout(PixelLayout{record->inColumnBytes, record->inPlaneBytes}, kColourPlanes);
    std::uint64_t remaining = workBytes;
    const ScaledByteTable sampleTable = MakeScaledByteTable(kSampleScale);

    float* planes[kColourPlanes] = {};
    const bool sideBySide = TasksRunSideBySide() && SideBySideFits(width, height, workBytes);
    if (sideBySide) {
        // The host is asked about a cancel once per plane, as below, but all
        // before the planes start: it is called on this thread only. The
        // planes use rows of their own in the work buffer, not rowFloats.
        for (int i = 0; i < kColourPlanes; ++i) {
            if (UserCancelled()) {
                SetHostResult(userCanceledErr);
                return IntakeStatus::HostFailure;
            }
        }
        if (!ReducePlanesSideBySide(width, height, delivered, record->inRowBytes, layout,
                                    sampleTable, work.bytes(), planes))
            return IntakeStatus::ReductionFailed;
    }
    for (int i = 0; !sideBySide && i < kColourPlanes; ++i) {
        if (UserCancelled()) {
            SetHostResult(userCanceledErr);
            return IntakeStatus::HostFailure;
        }
        DeliveredPlane source{delivered,   record->inRowBytes,
                              layout,      i,
                              whole.right, reinterpret_cast<float*>(rowFloats.get()),
                              &sampleTable};

        if (remaining < reducedBytes) {
            work.reset();
            rowFloats.reset();
            SetHostResult(memFullErr);
            return IntakeStatus::HostFailure;
        }
        std::uint8_t* planeStart = work.bytes() + static_cast<std::size_t>(i) * reducedBytes;
        remaining -= reducedBytes;
        planes[i] = reinterpret_cast<float*>(planeStart);
        float* scratch = reinterpret_cast<float*>(planeStart + reducedBytes);
        if (ReducePlaneRows(PlaneRows{&ConvertDeliveredRow, &source}, width, height, planes[i],
                            scratch, static_cast<std::int64_t>(remaining)) != 0) {
            return IntakeStatus::ReductionFailed;
        }
    }

    record->inRect = kEmptyRect;
    record->outRect = kEmptyRect;
    record->maskRect = kEmptyRect;
    if (RequestFromHost() != noErr) return IntakeStatus::HostFailure;

    rowFloats.reset();
    out->red = planes[0];
    out->green = planes[1];
    out->blue = planes[2];
    out->width = reducedWidth;
    out->height = reducedHeight;
    out->workBuffer = std::move(work);
    return IntakeStatus::Ok;
}

}  // namespace mirtane
