#include "tools/plugin-host/scenario/transcript_observer.h"

#include "tools/plugin-host/common/hex_text.h"

namespace plugin_host {

void TranscriptObserver::on_send(unsigned char cid1, unsigned char cid2, const unsigned char* data, int length)
{
    JsonObject line = transcript_event("send");
    line.text("cid1", to_hex(cid1)).text("cid2", to_hex(cid2));
    if (data == nullptr) {
        line.null("data");
    } else {
        line.text("data", to_hex(data, length > 0 ? static_cast<std::size_t>(length) : 0));
    }
    out_.write(line);
}

void TranscriptObserver::on_send_sp(int type, const unsigned char* record, unsigned int length, bool flag)
{
    JsonObject line = transcript_event("SendSP");
    line.integer("type", type).integer("len", length).boolean("flag", flag);
    line.text("record", record != nullptr ? to_hex(record, length) : "");
    out_.write(line);
}

void TranscriptObserver::on_save_history(const unsigned char* record, unsigned int length)
{
    JsonObject line = transcript_event("SaveDeviceHistory");
    line.integer("len", length).text("record", record != nullptr ? to_hex(record, length) : "");
    out_.write(line);
}

void TranscriptObserver::on_reset() { out_.write(transcript_event("Reset")); }

void TranscriptObserver::on_open_port() { out_.write(transcript_event("OpenPort")); }

void TranscriptObserver::on_check_threshold_bool(int level, const std::string& key, const std::string& id,
                                                 const std::string& desc, const std::string& name, bool state,
                                                 unsigned short seq)
{
    JsonObject line = transcript_event("CheckThresholdBool");
    line.integer("level", level).text("key", key).text("id", id).text("desc", desc).text("name", name);
    line.boolean("state", state).integer("seq", seq);
    out_.write(line);
}

bool TranscriptObserver::on_check_ao_report(const std::string& signal, float value)
{
    JsonObject line = transcript_event("CheckAOReport");
    line.text("signal", signal).real("value", value);
    out_.write(line);
    return answers.ao_report;
}

void TranscriptObserver::on_check_threshold(const std::string& signal, const std::string& text, float value, int n)
{
    JsonObject line = transcript_event("CheckThreshold");
    line.text("signal", signal).text("text", text).real("value", value).integer("n", n);
    out_.write(line);
}

bool TranscriptObserver::on_batch_check(std::size_t rules)
{
    JsonObject line = transcript_event("DoBatchCheckThreshold");
    line.integer("size", static_cast<long long>(rules));
    out_.write(line);
    return answers.batch;
}

}  // namespace plugin_host
