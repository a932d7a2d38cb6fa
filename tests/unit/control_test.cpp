// Control commands: the frames each code sends, what it leaves behind, the
// acknowledgement read back by the status query, and inputs that must not
// reach the serial line or crash the daemon.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/device_fixture.h"

namespace {

constexpr std::int32_t UNTOUCHED = 0x5A5A5A5A;

class Control : public DeviceTest {
protected:
    // Sends a request with text input; `out` and `outUsed` start as UNTOUCHED.
    int request(int code, const std::string& text, int outLen = 4)
    {
        return request(code, text.data(), static_cast<int>(text.size()), outLen);
    }

    int request(int code, const void* in, int inLen, int outLen = 4)
    {
        out = UNTOUCHED;
        out_used = UNTOUCHED;
        return device.DeviceIoControl(code, in, inLen, &out, outLen, out_used);
    }

    // The acknowledgement as the status query reports it.
    std::int32_t acknowledgement()
    {
        std::int32_t value = UNTOUCHED;
        int used = 0;
        EXPECT_EQ(device.DeviceIoControl(0, nullptr, 0, &value, 4, used), 0);
        EXPECT_EQ(used, 4);
        return value;
    }

    std::int32_t out = UNTOUCHED;
    int out_used = UNTOUCHED;
};

const std::vector<std::uint8_t> date_time = hex("E9 07 0C 08 05 1E 2D");

}  // namespace

TEST_F(Control, DateAndTimeGoOutUnchangedAndTheCallerGetsOne)
{
    EXPECT_EQ(request(300, date_time.data(), 7), 0);
    EXPECT_EQ(host.calls, (std::vector<std::string>{"OpenPort", "send 41/4e e9 07 0c 08 05 1e 2d"}));
    EXPECT_EQ(out, 1);
    EXPECT_EQ(out_used, 4);
    EXPECT_EQ(device.poll_step_, 300);
    EXPECT_EQ(acknowledgement(), -1);

    host.clear();
    EXPECT_EQ(request(300, date_time.data(), 7, 2), 0);
    EXPECT_EQ(describe(host.sent), std::vector<std::string>{"41/4e e9 07 0c 08 05 1e 2d"});
    EXPECT_EQ(out, UNTOUCHED);
    EXPECT_EQ(out_used, UNTOUCHED);
}

TEST_F(Control, DateAndTimeOfAnyOtherLengthIsRejectedButStillTakesThePollStep)
{
    const std::vector<std::uint8_t> eight = hex("E9 07 0C 08 05 1E 2D 00");
    const struct {
        const char* what;
        const void* in;
        int length;
    } cases[] = {
        {"6 bytes", eight.data(), 6}, {"8 bytes", eight.data(), 8}, {"no bytes", eight.data(), 0},
        {"negative length", eight.data(), -7}, {"null input", nullptr, 7},
    };
    for (const auto& c : cases) {
        host.clear();
        device.poll_step_ = 5;
        device.control_ack_ = 1;
        EXPECT_EQ(request(300, c.in, c.length), -1) << c.what;
        EXPECT_EQ(host.calls, std::vector<std::string>{"OpenPort"}) << c.what;
        EXPECT_EQ(device.poll_step_, 300) << c.what;
        EXPECT_EQ(acknowledgement(), -1) << c.what;
        EXPECT_EQ(out, UNTOUCHED) << c.what;
        EXPECT_EQ(out_used, UNTOUCHED) << c.what;
    }
}

TEST_F(Control, DcParameterDocumentsSendAtMostOneFrame)
{
    std::string deeply_nested(5000, '[');
    deeply_nested += std::string(5000, ']');
    const struct {
        std::string document;
        int result;
        const char* frame;  // "" when nothing is sent
    } cases[] = {
        {R"({"signal_id":"006201","SetValue":"53.5"})", 0, "42/48 dc 00 00 56 42"},
        {R"({"signal_id":"006202","SetValue":"volts"})", 0, "42/48 db 00 00 00 00"},
        {R"({"signal_id":"006202","SetValue":"-1.5e1 V"})", 0, "42/48 db 00 00 70 c1"},
        {R"({"SetValue":"2","signal_id":"006201"} // set by the operator)", 0, "42/48 dc 00 00 00 40"},
        {R"({"signal_id":"006201","SetValue":""})", 0, "42/48 dc 00 00 00 00"},
        {R"({"signal_id":"006201","SetValue":true})", 0, "42/48 dc 00 00 00 00"},
        {R"({"signal_id":"006201"})", 0, ""},
        {R"({"signal_id":"006201","SetValue":null})", 0, ""},
        {R"({"signal_id":"","SetValue":"1"})", 0, ""},
        {R"({"signal_id":null,"SetValue":"1"})", 0, ""},
        {R"({"signal_id":"006203","SetValue":"1"})", 0, ""},
        {R"({"signal_id":"6201","SetValue":"1"})", 0, ""},
        {"{}", 0, ""},
        // Valid JSON that does not hold usable text members.
        {R"({"signal_id":6201,"SetValue":"1"})", 0, ""},
        {R"({"signal_id":"006201","SetValue":53.5})", 0, ""},
        {R"({"signal_id":"006201","SetValue":[53.5]})", 0, ""},
        {R"({"signal_id":"006201","SetValue":{"v":"53.5"}})", 0, ""},
        {R"({"signal_id":["006201"],"SetValue":"1"})", 0, ""},
        {R"({"signal_id":{"id":"006201"},"SetValue":"1"})", 0, ""},
        {R"(["006201","53.5"])", 0, ""},
        {R"("006201")", 0, ""},
        {"42", 0, ""},
        {"null", 0, ""},
        // Not JSON.
        {"signal_id=006201", -1, ""},
        {"", -1, ""},
        {R"({"signal_id":"006201",)", -1, ""},
        {deeply_nested, -1, ""},
    };
    for (const auto& c : cases) {
        host.clear();
        device.poll_step_ = 5;
        device.control_ack_ = 1;
        EXPECT_EQ(request(310, c.document), c.result) << c.document.substr(0, 60);
        std::vector<std::string> expected{"OpenPort"};
        if (*c.frame != '\0') {
            expected.push_back(std::string("send ") + c.frame);
        }
        EXPECT_EQ(host.calls, expected) << c.document.substr(0, 60);
        EXPECT_EQ(device.poll_step_, 310);
        EXPECT_EQ(acknowledgement(), -1);
        EXPECT_EQ(out, UNTOUCHED);
        EXPECT_EQ(out_used, UNTOUCHED);
    }
}

TEST_F(Control, DcParameterWithoutReadableInputIsNotJson)
{
    const std::string document = R"({"signal_id":"006201","SetValue":"53.5"})";
    EXPECT_EQ(request(310, nullptr, 40), -1);
    EXPECT_EQ(request(310, document.data(), -static_cast<int>(document.size())), -1);
    // Only the given length counts as the document.
    EXPECT_EQ(request(310, document.data(), 20), -1);
    EXPECT_TRUE(host.sent.empty());
}

TEST_F(Control, EachRemoteControlIdentifierSendsItsTwoBytes)
{
    const struct {
        const char* signal_id;
        const char* frame;
    } cases[] = {
        {"419500201001", "41/45 e5 01"}, {"419500201002", "41/45 e5 02"}, {"419500201003", "41/45 e5 03"},
        {"419500200001", "41/45 e6 01"}, {"419500200002", "41/45 e6 02"}, {"419500200003", "41/45 e6 03"},
        {"419500600001", "41/45 1f 02"}, {"419500601001", "41/45 10 02"}, {"419500602001", "41/45 11 02"},
    };
    for (const auto& c : cases) {
        host.clear();
        device.poll_step_ = 10;
        device.control_ack_ = 1;
        EXPECT_EQ(request(320, c.signal_id), 0) << c.signal_id;
        EXPECT_EQ(host.calls, (std::vector<std::string>{"OpenPort", std::string("send ") + c.frame}));
        EXPECT_EQ(device.status_word_, 320);
        EXPECT_EQ(device.poll_step_, 10) << "the poll step stays";
        EXPECT_EQ(acknowledgement(), -1);
        EXPECT_EQ(out, UNTOUCHED);
        EXPECT_EQ(out_used, UNTOUCHED);
    }
}

TEST_F(Control, RemoteControlTextMustMatchAsAWhole)
{
    const std::string with_terminator("419500602001", 13);
    for (const std::string& text :
         {with_terminator, std::string("41950060200"), std::string("4195006020011"), std::string(" 419500602001"),
          std::string("")}) {
        host.clear();
        EXPECT_EQ(request(320, text), 0);
        EXPECT_EQ(host.calls, std::vector<std::string>{"OpenPort"}) << text;
    }
    EXPECT_EQ(request(320, nullptr, 12), 0);
    EXPECT_EQ(request(320, "419500602001", -12), 0);
    EXPECT_TRUE(host.sent.empty());
    EXPECT_EQ(acknowledgement(), -1);
}

TEST_F(Control, StatusQueryAnswersOnlyIntoABufferThatHoldsTheAnswer)
{
    EXPECT_EQ(acknowledgement(), -1) << "after construction";
    for (int code : {0, 1, 299, 301, 311, 321, -1}) {
        device.control_ack_ = 1;
        EXPECT_EQ(request(code, nullptr, 0), 0);
        EXPECT_EQ(out, 1) << code;
        EXPECT_EQ(out_used, 4) << code;
    }
    EXPECT_EQ(request(0, nullptr, 0, 3), 0);
    EXPECT_EQ(out, UNTOUCHED);
    EXPECT_EQ(out_used, 0);

    int used = UNTOUCHED;
    EXPECT_EQ(device.DeviceIoControl(0, nullptr, 0, nullptr, 4, used), 0);
    EXPECT_EQ(used, 0);
    EXPECT_TRUE(host.calls.empty());
}
