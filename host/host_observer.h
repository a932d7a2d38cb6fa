// Every call that device code makes into the host framework is handed to one
// observer. The daemon's tools and the tests are observers: the replay tool
// writes a transcript, the run tool prints a summary, unit tests collect calls.
#pragma once

#include <cstddef>
#include <string>

// What the host answers to the calls that ask it something. A daemon decides
// these itself; tools and tests choose them.
struct HostAnswers {
    int refresh = 1;         // RefreshStatus: 0 keeps the device from polling now
    bool ao_report = false;  // CheckAOReport: the report changed something
    bool batch = false;      // DoBatchCheckThreshold: a rule changed state
};

class __attribute__((visibility("default"))) HostObserver {
public:
    virtual ~HostObserver();

    // The calls that return the host's answer; the defaults are HostAnswers'.
    virtual int on_refresh_status();
    virtual bool on_check_ao_report(const std::string& signal, float value);
    virtual bool on_batch_check(std::size_t rules);

    // A request frame: data is null when the request carries no data.
    virtual void on_send(unsigned char cid1, unsigned char cid2, const unsigned char* data, int length);
    virtual void on_send_sp(int type, const unsigned char* record, unsigned int length, bool flag);
    virtual void on_save_history(const unsigned char* record, unsigned int length);
    virtual void on_reset();
    virtual void on_open_port();
    virtual void on_check_threshold_bool(int level, const std::string& key, const std::string& id,
                                         const std::string& desc, const std::string& name, bool state,
                                         unsigned short seq);
    virtual void on_check_threshold(const std::string& signal, const std::string& text, float value, int n);

    // An observer that ignores everything; the default of every device.
    static HostObserver& none();
};
