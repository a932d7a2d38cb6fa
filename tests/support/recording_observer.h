// A host observer that writes down every call the device makes into the
// host, one readable line per call, so tests can compare whole sequences.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/host_observer.h"

struct SentRequest {
    unsigned char cid1;
    unsigned char cid2;
    bool has_data;
    std::vector<std::uint8_t> data;

    bool operator==(const SentRequest& other) const
    {
        return cid1 == other.cid1 && cid2 == other.cid2 && has_data == other.has_data && data == other.data;
    }
};

struct BoolReport {
    int level;
    std::string key, id, desc, name;
    bool state;
    unsigned short seq;
};

class RecordingObserver : public HostObserver {
public:
    void on_send(unsigned char cid1, unsigned char cid2, const unsigned char* data, int length) override;
    void on_send_sp(int type, const unsigned char* record, unsigned int length, bool flag) override;
    void on_save_history(const unsigned char* record, unsigned int length) override;
    void on_reset() override;
    void on_open_port() override;
    void on_check_threshold_bool(int level, const std::string& key, const std::string& id, const std::string& desc,
                                 const std::string& name, bool state, unsigned short seq) override;
    bool on_check_ao_report(const std::string& signal, float value) override;
    void on_check_threshold(const std::string& signal, const std::string& text, float value, int n) override;
    bool on_batch_check(std::size_t rules) override;
    int on_refresh_status() override { return answers.refresh; }

    void clear();

    HostAnswers answers;

    // Every call, in order: "send 40/41 01", "send 41/41 -", "SendSP 5535 1003 false",
    // "SaveDeviceHistory 1003", "Reset", "OpenPort", "CheckThresholdBool ...",
    // "CheckAOReport <signal> <value>", "CheckThreshold <signal> '<text>' <value> <n>",
    // "DoBatchCheckThreshold <size>".
    std::vector<std::string> calls;
    std::vector<SentRequest> sent;
    std::vector<BoolReport> reports;
    std::vector<std::vector<std::uint8_t>> published;  // SendSP records
    std::vector<std::vector<std::uint8_t>> history;    // SaveDeviceHistory records
};

// "40/41 01" style text of a request, for readable sequence checks.
std::string describe(const SentRequest& request);
std::vector<std::string> describe(const std::vector<SentRequest>& requests);
