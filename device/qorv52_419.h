// The device class of this power-system model: the protocol-419 driver plus
// the model's own alarm rules on the user-defined alarm bytes.
#pragma once

#include "device/pmbuspower_419.h"
#include "protocol419/record.h"

class qorv52_419 : public pmbuspower_419<qorv52_419_Data_t, 5535> {
public:
    qorv52_419();
    ~qorv52_419() override;

    void RunCheckThreshold() override;
};
