#include "fuzz/support/checking_host.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>

#include "protocol419/record.h"

namespace fuzz {

void fail(const char* format, ...)
{
    std::va_list arguments;
    va_start(arguments, format);
    std::fputs("fuzz invariant broken: ", stderr);
    std::vfprintf(stderr, format, arguments);
    std::fputc('\n', stderr);
    va_end(arguments);
    std::abort();
}

void silence_standard_output()
{
    if (std::freopen("/dev/null", "w", stdout) == nullptr) {
        fail("cannot silence standard output");
    }
}

namespace {

constexpr int DATA_TYPE = protocol419::RECORD_DATA_TYPE;

bool carries(const sent_request& request, std::initializer_list<std::uint8_t> bytes)
{
    return request.has_data && request.data == std::vector<std::uint8_t>(bytes);
}

bool carries_nothing(const sent_request& request) { return !request.has_data; }

bool is_poll_request(const sent_request& request, std::uint8_t protocol_version)
{
    const bool status_or_alarm = request.cid2 == 0x43 || request.cid2 == 0x44;
    switch (request.cid1) {
    case 0x40:
        return (request.cid2 == 0x41 || status_or_alarm) && carries(request, {1});
    case 0x41:
        return (request.cid2 == 0x41 || status_or_alarm) && carries_nothing(request);
    case 0x42:
        if (request.cid2 != 0x41 && request.cid2 != 0x44) {
            return false;
        }
        return protocol_version == 0x21 ? carries(request, {1}) : carries_nothing(request);
    default:
        return false;
    }
}

bool is_remote_control(const std::vector<std::uint8_t>& data)
{
    static const std::uint8_t actions[][2] = {{0xE5, 0x01}, {0xE5, 0x02}, {0xE5, 0x03}, {0xE6, 0x01}, {0xE6, 0x02},
                                              {0xE6, 0x03}, {0x1F, 0x02}, {0x10, 0x02}, {0x11, 0x02}};
    if (data.size() != 2) {
        return false;
    }
    for (const auto& action : actions) {
        if (data[0] == action[0] && data[1] == action[1]) {
            return true;
        }
    }
    return false;
}

bool is_control_request(const sent_request& request)
{
    if (!request.has_data) {
        return false;
    }
    if (request.cid1 == 0x41 && request.cid2 == 0x4E) {
        return request.data.size() == 7;
    }
    if (request.cid1 == 0x42 && request.cid2 == 0x48) {
        return request.data.size() == 5 && (request.data[0] == 0xDC || request.data[0] == 0xDB);
    }
    if (request.cid1 == 0x41 && request.cid2 == 0x45) {
        return is_remote_control(request.data);
    }
    return false;
}

}  // namespace

request_kind classify(const sent_request& request, std::uint8_t protocol_version)
{
    if (is_poll_request(request, protocol_version)) {
        return request_kind::poll;
    }
    return is_control_request(request) ? request_kind::control : request_kind::foreign;
}

void checking_host::on_send(unsigned char cid1, unsigned char cid2, const unsigned char* data, int length)
{
    FUZZ_CHECK(data == nullptr || length >= 0, "request %02x/%02x with data of length %d", cid1, cid2, length);
    sent_request request{cid1, cid2, data != nullptr, {}};
    if (data != nullptr) {
        request.data.assign(data, data + length);
    }
    sent.push_back(request);
}

void checking_host::on_send_sp(int type, const unsigned char* record, unsigned int length, bool flag)
{
    FUZZ_CHECK(type == DATA_TYPE, "record published with data type %d", type);
    FUZZ_CHECK(record != nullptr && length == protocol419::RECORD_SIZE, "record published with %u bytes", length);
    FUZZ_CHECK(!flag, "record published with the flag set");
    last_published.assign(record, record + length);
    ++published;
}

void checking_host::on_save_history(const unsigned char* record, unsigned int length)
{
    FUZZ_CHECK(record != nullptr && length == protocol419::RECORD_SIZE, "history record of %u bytes", length);
    last_saved.assign(record, record + length);
    ++saved;
}

void checking_host::clear()
{
    sent.clear();
    published = 0;
    saved = 0;
}

}  // namespace fuzz
