#include "tests/support/recording_observer.h"

#include <cstdio>
#include <sstream>

namespace {

std::string hex_bytes(const std::vector<std::uint8_t>& bytes)
{
    std::string text;
    char digits[4];
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(digits, sizeof digits, i == 0 ? "%02x" : " %02x", bytes[i]);
        text += digits;
    }
    return text;
}

}  // namespace

std::string describe(const SentRequest& request)
{
    char pair[8];
    std::snprintf(pair, sizeof pair, "%02x/%02x", request.cid1, request.cid2);
    return std::string(pair) + " " + (request.has_data ? hex_bytes(request.data) : "-");
}

std::vector<std::string> describe(const std::vector<SentRequest>& requests)
{
    std::vector<std::string> out;
    for (const auto& request : requests) {
        out.push_back(describe(request));
    }
    return out;
}

void RecordingObserver::on_send(unsigned char cid1, unsigned char cid2, const unsigned char* data, int length)
{
    SentRequest request{cid1, cid2, data != nullptr, {}};
    if (data != nullptr && length > 0) {
        request.data.assign(data, data + length);
    }
    sent.push_back(request);
    calls.push_back("send " + describe(request));
}

void RecordingObserver::on_send_sp(int type, const unsigned char* record, unsigned int length, bool flag)
{
    published.emplace_back(record, record + length);
    calls.push_back("SendSP " + std::to_string(type) + " " + std::to_string(length) + (flag ? " true" : " false"));
}

void RecordingObserver::on_save_history(const unsigned char* record, unsigned int length)
{
    history.emplace_back(record, record + length);
    calls.push_back("SaveDeviceHistory " + std::to_string(length));
}

void RecordingObserver::on_reset() { calls.push_back("Reset"); }

void RecordingObserver::on_open_port() { calls.push_back("OpenPort"); }

void RecordingObserver::on_check_threshold_bool(int level, const std::string& key, const std::string& id,
                                                const std::string& desc, const std::string& name, bool state,
                                                unsigned short seq)
{
    reports.push_back({level, key, id, desc, name, state, seq});
    std::ostringstream line;
    line << "CheckThresholdBool " << level << " " << key << " " << id << " '" << desc << "' " << name << " "
         << (state ? "true" : "false") << " " << seq;
    calls.push_back(line.str());
}

bool RecordingObserver::on_check_ao_report(const std::string& signal, float value)
{
    std::ostringstream line;
    line << "CheckAOReport " << signal << " " << value;
    calls.push_back(line.str());
    return answers.ao_report;
}

void RecordingObserver::on_check_threshold(const std::string& signal, const std::string& text, float value, int n)
{
    std::ostringstream line;
    line << "CheckThreshold " << signal << " '" << text << "' " << value << " " << n;
    calls.push_back(line.str());
}

bool RecordingObserver::on_batch_check(std::size_t rules)
{
    calls.push_back("DoBatchCheckThreshold " + std::to_string(rules));
    return answers.batch;
}

void RecordingObserver::clear()
{
    calls.clear();
    sent.clear();
    reports.clear();
    published.clear();
    history.clear();
}
