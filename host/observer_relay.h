// An observer that hands every call on to another one. The host's loop puts
// one in front of the tool's observer to learn of requests and published
// records without the tool having to pass them on.
#pragma once

#include "host/host_api.h"
#include "host/host_observer.h"

class HOST_API ObserverRelay : public HostObserver {
public:
    explicit ObserverRelay(HostObserver& next) : next_(&next) {}

    HostObserver& next() const { return *next_; }

    int on_refresh_status() override;
    bool on_check_ao_report(const std::string& signal, float value) override;
    bool on_batch_check(std::size_t rules) override;
    void on_send(unsigned char cid1, unsigned char cid2, const unsigned char* data, int length) override;
    void on_send_sp(int type, const unsigned char* record, unsigned int length, bool flag) override;
    void on_save_history(const unsigned char* record, unsigned int length) override;
    void on_reset() override;
    void on_open_port() override;
    void on_check_threshold_bool(int level, const std::string& key, const std::string& id, const std::string& desc,
                                 const std::string& name, bool state, unsigned short seq) override;
    void on_check_threshold(const std::string& signal, const std::string& text, float value, int n) override;

private:
    HostObserver* next_;
};
