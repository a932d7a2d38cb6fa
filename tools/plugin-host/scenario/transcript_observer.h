// The host observer of plugin-host replay: writes one transcript line for
// every call the plug-in makes into the host.
#pragma once

#include <ostream>

#include "host/host_observer.h"
#include "tools/plugin-host/common/json_object.h"

namespace plugin_host {

// Where transcript lines go. Standard output is shared with the plug-in's
// own diagnostic lines; writing through the same synchronised stream keeps
// both in the order they happened.
class TranscriptWriter {
public:
    explicit TranscriptWriter(std::ostream& out) : out_(out) {}
    void write(const JsonObject& line) { out_ << line.str() << '\n'; }
    void flush() { out_.flush(); }

private:
    std::ostream& out_;
};

class TranscriptObserver : public HostObserver {
public:
    explicit TranscriptObserver(TranscriptWriter& out) : out_(out) {}

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

    // What the host answers; the scenario's host steps change it.
    HostAnswers answers;

private:
    TranscriptWriter& out_;
};

}  // namespace plugin_host
