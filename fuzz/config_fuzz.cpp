// The configuration path with arbitrary JSON text, parsed as the daemon
// parses a device's configuration file. A setting whose value the JSON
// library cannot read as text lets the library's own error through; nothing
// else may escape, and configuring touches no record byte but the data id.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include <json/reader.h>
#include <json/value.h>

#include "device/qorv52_419.h"
#include "fuzz/support/checking_host.h"
#include "fuzz/support/record_regions.h"
#include "fuzz/support/settings_snapshot.h"

namespace {

// Whether configuring threw the JSON library's conversion error.
bool configure(qorv52_419& device, const Json::Value& root)
{
    try {
        const int result = device.InitSetting(root);
        FUZZ_CHECK(result == 1, "InitSetting returned %d", result);
        return false;
    } catch (const Json::LogicError&) {
        return true;
    }
}

bool same_settings(const fuzz::settings_snapshot& a, const fuzz::settings_snapshot& b)
{
    return a.same_except_dc_format(b) && a.no_dc_number == b.no_dc_number;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::silence_standard_output();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const char* text = reinterpret_cast<const char*>(data);
    Json::CharReaderBuilder builder;
    const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    Json::Value root;
    std::string errors;
    try {
        if (!reader->parse(text, text + size, &root, &errors)) {
            return 0;
        }
    } catch (const Json::Exception&) {
        return 0;  // nested beyond the reader's limit: the daemon refuses the file
    }

    fuzz::checking_host host;
    const auto device = std::make_unique<qorv52_419>();
    device->set_observer(&host);
    device->data_id_ = 419;
    const qorv52_419_Data_t before = device->data_;

    const bool refused = configure(*device, root);
    const int stray = fuzz::first_change_outside(before, device->data_, fuzz::data_id_region());
    FUZZ_CHECK(stray < 0, "configuration changed record byte %d", stray);
    FUZZ_CHECK(refused || device->data_.data_id.get() == 419, "data id not in the record");

    // The same document again finds every setting where the first pass left
    // it, also when the library refused a value half-way through.
    const fuzz::settings_snapshot first(*device);
    const auto mapping = device->alarm_mapping_;
    const auto names = device->signal_names_;
    FUZZ_CHECK(configure(*device, root) == refused, "a second pass over the same document behaved differently");
    FUZZ_CHECK(same_settings(first, fuzz::settings_snapshot(*device)) && mapping == device->alarm_mapping_ &&
                   names == device->signal_names_,
               "a second pass over the same document changed the settings");
    FUZZ_CHECK(host.sent.empty() && host.published == 0, "configuration talked to the line");

    return 0;
}
