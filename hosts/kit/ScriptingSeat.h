// What a host offers the scripting services (ScriptingHost) to attach to:
// the two record slots they fill and the handle table their descriptors
// live in. The test host and the command's production host both offer it,
// so one implementation of scripting serves both.
#pragma once

#include "hosts/kit/HostHandles.h"
#include "pluginapi/FilterRecord.h"

namespace hostkit {

class ScriptingSeat {
  public:
    virtual void SetDescriptorParameters(PIDescriptorParameters* parameters) = 0;
    virtual void SetBasicSuite(SPBasicSuite* suite) = 0;
    virtual HandleTable& handles() = 0;

  protected:
    ~ScriptingSeat() = default;
};

}  // namespace hostkit
