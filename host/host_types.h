// Small types of the device framework that device classes name in their
// signatures.
#pragma once

#include <string>

// The controller object that owns a device in the daemon. Devices only hold
// a weak reference to it; nothing of it is used by the power-system driver.
class SMDController {
public:
    virtual ~SMDController() = default;
};

// Parity of a serial write (SMDSPDevice::SendParityData).
enum EnumParity {
    PARITY_NONE = 0,
    PARITY_ODD = 1,
    PARITY_EVEN = 2,
    PARITY_MARK = 3,
    PARITY_SPACE = 4,
};

// One threshold rule collected by the daemon during a round and checked in a
// batch when the round completes. Device code never looks inside it.
struct rule_value {
    int rule_id = 0;
    std::string signal_id;
    std::string signal_name;
    float value = 0.0f;
    std::string key;
    std::string desc;
    int level = 0;
};
