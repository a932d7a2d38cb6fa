#include "tests/support/device_fixture.h"

#include <cstring>
#include <stdexcept>

#include <json/reader.h>

#include "host/hex_digit.h"
#include "tools/clock_seam/clock_seam.h"

DeviceTest::DeviceTest()
{
    clock_seam::freeze_at_local(2026, 1, 1, 0, 0, 0);
    device.set_observer(&host);
}

int DeviceTest::reply(const std::vector<std::uint8_t>& info)
{
    frame.assign(6, 0);
    frame[0] = device.protocol_version_;
    frame[1] = 1;
    const auto field = static_cast<unsigned>(info.size() * 2);
    frame[4] = static_cast<std::uint8_t>(field & 0xFFu);
    frame[5] = static_cast<std::uint8_t>(field >> 8);
    frame.insert(frame.end(), info.begin(), info.end());
    return device.process(frame.data(), static_cast<unsigned>(frame.size()));
}

int DeviceTest::configure(const std::string& json)
{
    Json::Value root;
    Json::Reader reader;
    if (!reader.parse(json, root)) {
        throw std::invalid_argument("test configuration is not JSON: " + json);
    }
    return device.InitSetting(root);
}

std::vector<std::uint8_t> DeviceTest::record_bytes() const
{
    std::vector<std::uint8_t> bytes(sizeof device.data_);
    std::memcpy(bytes.data(), &device.data_, bytes.size());
    return bytes;
}

std::vector<std::uint8_t> hex(const std::string& text)
{
    std::vector<std::uint8_t> bytes;
    int high = -1;
    for (char c : text) {
        const int nibble = hex_digit::value(c);
        if (nibble < 0) {
            continue;
        }
        if (high < 0) {
            high = nibble;
        } else {
            bytes.push_back(static_cast<std::uint8_t>(high * 16 + nibble));
            high = -1;
        }
    }
    return bytes;
}
