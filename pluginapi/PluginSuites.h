// Callback suites of the filter record and the PICA suites, with the slot
// order hosts use. These structures use the compiler's natural alignment.
#pragma once

#include "pluginapi/PluginTypes.h"

extern "C" {

// Filter record callbacks.
typedef Boolean(PI_CDECL* TestAbortProc)(void);
typedef void(PI_CDECL* ProgressProc)(std::int32_t done, std::int32_t total);
typedef void(PI_CDECL* HostProc)(std::int16_t selector, std::intptr_t* data);
typedef void(PI_CDECL* ProcessEventProc)(void* event);
typedef OSErr(PI_CDECL* AdvanceStateProc)(void);
typedef OSErr(PI_CDECL* ColorServicesProc)(void* info);
typedef void* GetPropertyObsoleteProc;  // never called

struct PSPixelMask {
    PSPixelMask* next;
    void* maskData;
    std::int32_t rowBytes;
    std::int32_t colBytes;
    std::int32_t maskDescription;  // 0 simple mask
};

struct PSPixelMap {
    std::int32_t version;  // 1
    VRect bounds;
    std::int32_t imageMode;
    std::int32_t rowBytes;
    std::int32_t colBytes;
    std::int32_t planeBytes;
    void* baseAddr;
    PSPixelMask* mat;
    PSPixelMask* masks;
    std::int32_t maskPhaseRow;
    std::int32_t maskPhaseCol;
};

// platformContext is the device context (HDC) on Windows.
typedef OSErr(PI_CDECL* DisplayPixelsProc)(const PSPixelMap* source, const VRect* srcRect,
                                           std::int32_t dstRow, std::int32_t dstCol,
                                           void* platformContext);

typedef OSErr(PI_CDECL* AllocateBufferProc)(std::int32_t size, BufferID* bufferID);
typedef Ptr(PI_CDECL* LockBufferProc)(BufferID bufferID, Boolean moveHigh);
typedef void(PI_CDECL* UnlockBufferProc)(BufferID bufferID);
typedef void(PI_CDECL* FreeBufferProc)(BufferID bufferID);
typedef std::int32_t(PI_CDECL* BufferSpaceProc)(void);

struct BufferProcs {
    std::int16_t bufferProcsVersion;
    std::int16_t numBufferProcs;
    AllocateBufferProc allocateProc;
    LockBufferProc lockProc;
    UnlockBufferProc unlockProc;
    FreeBufferProc freeProc;
    BufferSpaceProc spaceProc;
};

typedef Handle(PI_CDECL* NewPIHandleProc)(std::int32_t size);
typedef void(PI_CDECL* DisposePIHandleProc)(Handle h);
typedef std::int32_t(PI_CDECL* GetPIHandleSizeProc)(Handle h);
typedef OSErr(PI_CDECL* SetPIHandleSizeProc)(Handle h, std::int32_t newSize);
typedef Ptr(PI_CDECL* LockPIHandleProc)(Handle h, Boolean moveHigh);
typedef void(PI_CDECL* UnlockPIHandleProc)(Handle h);
typedef void(PI_CDECL* RecoverSpaceProc)(std::int32_t size);
typedef void(PI_CDECL* DisposeRegularHandleProc)(Handle h);

struct HandleProcs {
    std::int16_t handleProcsVersion;
    std::int16_t numHandleProcs;
    NewPIHandleProc newProc;
    DisposePIHandleProc disposeProc;
    GetPIHandleSizeProc getSizeProc;
    SetPIHandleSizeProc setSizeProc;
    LockPIHandleProc lockProc;
    UnlockPIHandleProc unlockProc;
    RecoverSpaceProc recoverSpaceProc;
    DisposeRegularHandleProc disposeRegularHandleProc;
};

typedef OSErr(PI_CDECL* GetPropertyProc)(PIType signature, PIType key, std::int32_t index,
                                         std::intptr_t* simpleProperty, Handle* complexProperty);
typedef OSErr(PI_CDECL* SetPropertyProc)(PIType signature, PIType key, std::int32_t index,
                                         std::intptr_t simpleProperty, Handle complexProperty);

struct PropertyProcs {
    std::int16_t propertyProcsVersion;
    std::int16_t numPropertyProcs;
    GetPropertyProc getPropertyProc;
    SetPropertyProc setPropertyProc;
};

typedef PIReadDescriptor(PI_CDECL* OpenReadDescriptorProc)(Handle descriptor,
                                                           DescriptorKeyID* keyArray);
typedef OSErr(PI_CDECL* CloseReadDescriptorProc)(PIReadDescriptor token);
typedef Boolean(PI_CDECL* GetKeyProc)(PIReadDescriptor token, DescriptorKeyID* key, DescType* type,
                                      std::int32_t* flags);
typedef OSErr(PI_CDECL* GetIntegerProc)(PIReadDescriptor token, std::int32_t* value);
typedef void* UnusedDescriptorProc;  // slots Mirtane never calls

struct ReadDescriptorProcs {
    std::int16_t readDescriptorProcsVersion;
    std::int16_t numReadDescriptorProcs;
    OpenReadDescriptorProc openReadDescriptorProc;
    CloseReadDescriptorProc closeReadDescriptorProc;
    GetKeyProc getKeyProc;
    GetIntegerProc getIntegerProc;
    UnusedDescriptorProc unused[14];  // getFloatProc ... getPinnedUnitFloatProc
};

typedef PIWriteDescriptor(PI_CDECL* OpenWriteDescriptorProc)(void);
typedef OSErr(PI_CDECL* CloseWriteDescriptorProc)(PIWriteDescriptor token, Handle* newDescriptor);
typedef OSErr(PI_CDECL* PutIntegerProc)(PIWriteDescriptor token, DescriptorKeyID key,
                                        std::int32_t value);

struct WriteDescriptorProcs {
    std::int16_t writeDescriptorProcsVersion;
    std::int16_t numWriteDescriptorProcs;
    OpenWriteDescriptorProc openWriteDescriptorProc;
    CloseWriteDescriptorProc closeWriteDescriptorProc;
    PutIntegerProc putIntegerProc;
    UnusedDescriptorProc unused[13];  // putFloatProc ... putScopedObjectProc
};

struct PIDescriptorParameters {
    std::int16_t descriptorParametersVersion;
    std::int16_t playInfo;
    std::int16_t recordInfo;
    Handle descriptor;
    WriteDescriptorProcs* writeDescriptorProcs;  // write comes before read
    ReadDescriptorProcs* readDescriptorProcs;
};

// PICA basic suite: no version/count header.
struct SPBasicSuite {
    SPErr(PI_CDECL* AcquireSuite)(const char* name, std::int32_t version, const void** suite);
    SPErr(PI_CDECL* ReleaseSuite)(const char* name, std::int32_t version);
    std::int32_t(PI_CDECL* IsEqual)(const char* token1, const char* token2);
    SPErr(PI_CDECL* AllocateBlock)(std::int32_t size, void** block);
    SPErr(PI_CDECL* FreeBlock)(void* block);
    SPErr(PI_CDECL* ReallocateBlock)(void* block, std::int32_t newSize, void** newBlock);
    SPErr(PI_CDECL* Undefined)(void);
};

// Descriptor registry and action descriptor suites. Hosts disagree on whether
// these return 16 or 32 bits; declaring OSErr makes the plug-in read only the
// low 16 bits, which is what every host guarantees.
struct PSDescriptorRegistryProcs {
    OSErr(PI_CDECL* Register)(const char* key, PIActionDescriptor descriptor, Boolean isPersistent);
    OSErr(PI_CDECL* Erase)(const char* key);
    OSErr(PI_CDECL* Get)(const char* key, PIActionDescriptor* descriptor);
};

struct PSActionDescriptorProcs {
    OSErr(PI_CDECL* Make)(PIActionDescriptor* descriptor);
    OSErr(PI_CDECL* Free)(PIActionDescriptor descriptor);
    void* GetType;
    void* GetKey;
    void* HasKey;
    OSErr(PI_CDECL* GetCount)(PIActionDescriptor descriptor, std::uint32_t* count);
    void* IsEqual;
    void* Erase;
    void* Clear;
    OSErr(PI_CDECL* PutInteger)(PIActionDescriptor descriptor, DescriptorKeyID key,
                                std::int32_t value);
    void* putSlots[12];  // PutFloat ... PutAlias
    OSErr(PI_CDECL* GetInteger)(PIActionDescriptor descriptor, DescriptorKeyID key,
                                std::int32_t* value);
};

struct PlatformData {
    void* hwnd;  // the host's main window
};

struct AboutRecord {
    PlatformData* platformData;
    SPBasicSuite* sSPBasic;
    void* plugInRef;
    char reserved[244];
};

}  // extern "C"
