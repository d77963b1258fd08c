#include "host/LastUsedSettings.h"

#include "host/DescriptorKeys.h"
#include "resources/PluginIdentity.h"
#include "run/HostState.h"

namespace mirtane {
namespace {

constexpr const char* kRegistryKey = MIRTANE_UNIQUE_ID;

// Suite acquisition answers in 32 bits; a failure whose low half happens to
// be zero must still read as a failure in the 16-bit statuses used here.
OSErr NarrowStatus(SPErr status) {
    if (status == kSPNoError) {
        return noErr;
    }
    const auto narrow = static_cast<OSErr>(status);
    return narrow != noErr ? narrow : paramErr;
}

// Acquires the registry and action-descriptor suites and gives back what it
// acquired when it goes out of scope, registry first.
class SettingsSuites {
  public:
    // A host without the basic suite offers neither: -30900.
    explicit SettingsSuites(SPBasicSuite* basic) : basic_(basic) {
        if (basic_ == nullptr || basic_->AcquireSuite == nullptr) {
            status_ = errPlugInHostInsufficient;
            return;
        }
        const void* suite = nullptr;
        status_ = NarrowStatus(basic_->AcquireSuite(kPSDescriptorRegistrySuite,
                                                    kPSDescriptorRegistrySuiteVersion, &suite));
        if (status_ != noErr) {
            return;
        }
        registry_ = static_cast<const PSDescriptorRegistryProcs*>(suite);
        suite = nullptr;
        status_ = NarrowStatus(basic_->AcquireSuite(kPSActionDescriptorSuite,
                                                    kPSActionDescriptorSuiteVersion, &suite));
        if (status_ == noErr) {
            descriptors_ = static_cast<const PSActionDescriptorProcs*>(suite);
        }
        // A suite handed out without the procedures used here counts as missing.
        if (status_ == noErr && !Complete()) {
            status_ = errPlugInHostInsufficient;
        }
    }
    ~SettingsSuites() {
        if (basic_ == nullptr || basic_->ReleaseSuite == nullptr) {
            return;
        }
        if (registry_ != nullptr) {
            static_cast<void>(basic_->ReleaseSuite(kPSDescriptorRegistrySuite,
                                                   kPSDescriptorRegistrySuiteVersion));
        }
        if (descriptors_ != nullptr) {
            static_cast<void>(
                basic_->ReleaseSuite(kPSActionDescriptorSuite, kPSActionDescriptorSuiteVersion));
        }
    }
    SettingsSuites(const SettingsSuites&) = delete;
    SettingsSuites& operator=(const SettingsSuites&) = delete;

    OSErr status() const { return status_; }
    const PSDescriptorRegistryProcs* registry() const { return registry_; }
    const PSActionDescriptorProcs* descriptors() const { return descriptors_; }

  private:
    bool Complete() const {
        return registry_ != nullptr && descriptors_ != nullptr && registry_->Get != nullptr &&
               registry_->Register != nullptr && descriptors_->Make != nullptr &&
               descriptors_->Free != nullptr && descriptors_->GetCount != nullptr &&
               descriptors_->GetInteger != nullptr && descriptors_->PutInteger != nullptr;
    }

    SPBasicSuite* basic_;
    const PSDescriptorRegistryProcs* registry_ = nullptr;
    const PSActionDescriptorProcs* descriptors_ = nullptr;
    OSErr status_ = noErr;
};

// Frees a descriptor made or obtained from the registry.
class OwnedDescriptor {
  public:
    explicit OwnedDescriptor(const PSActionDescriptorProcs* procs) : procs_(procs) {}
    ~OwnedDescriptor() {
        if (descriptor_ != nullptr) {
            static_cast<void>(procs_->Free(descriptor_));
        }
    }
    OwnedDescriptor(const OwnedDescriptor&) = delete;
    OwnedDescriptor& operator=(const OwnedDescriptor&) = delete;

    PIActionDescriptor* out() { return &descriptor_; }
    PIActionDescriptor get() const { return descriptor_; }

  private:
    const PSActionDescriptorProcs* procs_;
    PIActionDescriptor descriptor_ = nullptr;
};

}  // namespace

OSErr LoadLastUsedSettings() {
    SettingsSuites suites(gHost.filterRecord->sSPBasic);
    if (suites.status() != noErr) {
        return suites.status();
    }
    OwnedDescriptor descriptor(suites.descriptors());
    OSErr status = suites.registry()->Get(kRegistryKey, descriptor.out());
    if (status != noErr || descriptor.get() == nullptr) {
        return status;
    }
    std::uint32_t count = 0;  // asked for, as hosts expect, but not needed
    status = suites.descriptors()->GetCount(descriptor.get(), &count);
    if (status != noErr) {
        return status;
    }
    for (const TintField& field : TintFields(gHost.parameterBlock)) {
        std::int32_t stored = 0;
        status = suites.descriptors()->GetInteger(descriptor.get(), field.key, &stored);
        if (status != noErr) {
            return status;
        }
        *field.tint = TintFromStored(stored);
    }
    return noErr;
}

OSErr StoreLastUsedSettings() {
    SettingsSuites suites(gHost.filterRecord->sSPBasic);
    if (suites.status() != noErr) {
        return suites.status();
    }
    OwnedDescriptor descriptor(suites.descriptors());
    OSErr status = suites.descriptors()->Make(descriptor.out());
    if (status != noErr) {
        return status;
    }
    for (const TintField& field : TintFields(gHost.parameterBlock)) {
        status =
            suites.descriptors()->PutInteger(descriptor.get(), field.key, StoredTint(*field.tint));
        if (status != noErr) {
            return status;
        }
    }
    return suites.registry()->Register(kRegistryKey, descriptor.get(), 1);
}

}  // namespace mirtane
