// The factory of this model's devices.
#pragma once

#include "host/provider.h"

class qorv52_419Provider : public SMDSPDeviceProvider {
public:
    ~qorv52_419Provider() override;
    SMDSPDevice* create() const override;
};
