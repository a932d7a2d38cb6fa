// Every payload decoder of the device with the part of a full-size site's
// reply that the poll cycle hands it.
#pragma once

#include <string>
#include <vector>

#include "device/qorv52_419.h"

namespace site_scenario {

struct decoder_case {
    std::string name;  // the decoder's name, "parse40_41"
    int (qorv52_419::*decode)(const unsigned char* data, int len);
    std::vector<unsigned char> info;  // the whole INFO of the reply
    int offset;                       // where the decoder's bytes start in INFO

    int run(qorv52_419& device) const
    {
        return (device.*decode)(info.data() + offset, static_cast<int>(info.size()) - offset);
    }
};

// In poll order. The rectifier status and alarm decoders use the module count
// that the rectifier analog decoder stores, so run the cases in this order
// once before timing or counting one of them alone.
std::vector<decoder_case> decoder_cases();

}  // namespace site_scenario
