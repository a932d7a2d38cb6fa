// The value query: "out_v" and "ac".
#include <cstdint>
#include <iostream>
#include <stdexcept>

#include "device/local_clock.h"
#include "device/pmbuspower_419.h"
#include "protocol419/record.h"

namespace {

// Values older than this are refused rather than served as current.
constexpr std::int64_t FRESH_SECONDS = 60;
// Below this on every phase of both inputs, the AC supply counts as down.
constexpr float AC_DOWN_VOLTS = 150.0f;

}  // namespace

template <class Data, int TypeId>
float pmbuspower_419<Data, TypeId>::Get_Value(unsigned int, const std::string& name) const
{
    std::cout << "in pmbuspower_419 Get_Value" << std::endl;
    if (this->data_ready_ != 1) {
        throw std::out_of_range("数据未就绪");
    }
    // Every round stamps a real date before data counts as ready; a last-round
    // time without one says nothing about freshness, so it counts as stale.
    if (this->last_round_time_.is_special()) {
        throw std::out_of_range("数据已超时");
    }
    const std::int64_t age = (device::local_now() - this->last_round_time_).total_seconds();
    // A negative age means the clock was set back since the round: still fresh.
    if (age > FRESH_SECONDS) {
        throw std::out_of_range("数据已超时");
    }
    if (name == "out_v") {
        return this->data_.dc.out_v.get();
    }
    if (name == "ac") {
        for (const auto& channel : this->data_.ac.acChannel) {
            for (const auto* phase : {&channel.a, &channel.b, &channel.c}) {
                // Not-a-number is not below the limit: the input is not known to be down.
                if (!(phase->get() < AC_DOWN_VOLTS)) {
                    return 0.0f;
                }
            }
        }
        return 1.0f;
    }
    throw std::out_of_range("不支持变量");
}

template float pmbuspower_419<qorv52_419_Data_t, protocol419::RECORD_DATA_TYPE>::Get_Value(unsigned int, const std::string&) const;
