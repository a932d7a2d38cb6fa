#include "device/qorv52_419.h"

qorv52_419::qorv52_419()
{
    device_type_ = "qorv52_419";
    baud_rate_ = 9600;
    option_byte_ = 1;
    protocol_version_ = 0x20;
}

qorv52_419::~qorv52_419() = default;

void qorv52_419::RunCheckThreshold()
{
    pmbuspower_419<qorv52_419_Data_t, 5535>::RunCheckThreshold();
}
