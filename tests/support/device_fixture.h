// A qorv52_419 device wired to a recording observer, with the clock frozen,
// for tests that drive the device through the host stand-in.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <json/value.h>

#include "device/qorv52_419.h"
#include "tests/support/recording_observer.h"

class DeviceTest : public ::testing::Test {
protected:
    DeviceTest();

    // Hands a reply with this INFO to the device as the host's protocol layer
    // would: bytes 0-3 version, address, CID1, RTN; 4-5 twice the INFO length.
    int reply(const std::vector<std::uint8_t>& info);
    // Parses a JSON text and calls InitSetting with it.
    int configure(const std::string& json);
    // The device's record as bytes.
    std::vector<std::uint8_t> record_bytes() const;

    qorv52_419 device;
    RecordingObserver host;
    std::vector<std::uint8_t> frame;
};

// Bytes from hex text such as "00 00 5C 43" (blanks optional).
std::vector<std::uint8_t> hex(const std::string& text);

// Captures what the device prints on standard output while `action` runs.
template <class Action>
std::string printed_by(Action&& action)
{
    ::testing::internal::CaptureStdout();
    action();
    std::fflush(stdout);
    return ::testing::internal::GetCapturedStdout();
}
