// Factories that a device plug-in hands to the daemon through get_providers.
#pragma once

#include <memory>
#include <vector>

#include "host/host_api.h"
#include "host/smd_sp_device.h"

class HOST_API Provider {
public:
    virtual ~Provider();
};

class HOST_API SMDSPDeviceProvider : public Provider {
public:
    ~SMDSPDeviceProvider() override;
    // A new device; the caller owns it and destroys it through its virtual destructor.
    virtual SMDSPDevice* create() const = 0;
};

// The plug-in's one exported function.
using get_providers_fn = std::vector<std::shared_ptr<Provider>> (*)();
