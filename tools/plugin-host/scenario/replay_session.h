// Runs scenario steps against one device and writes what each call returned.
#pragma once

#include <cstdint>
#include <vector>

#include "host/pmbus_protocol.h"
#include "tools/plugin-host/scenario/scenario_step.h"
#include "tools/plugin-host/scenario/transcript_observer.h"

namespace plugin_host {

class ReplaySession {
public:
    // The device must outlive the session; its calls into the host are
    // expected to go to an observer writing to the same transcript.
    ReplaySession(SMDSPDevice& device, TranscriptWriter& transcript, HostAnswers& answers);

    // The host state a replay starts from, whatever the device's constructor left.
    void set_host_defaults();
    void run(const ScenarioStep& step);

    void operator()(const HostStep& step);
    void operator()(const ConfigStep& step);
    void operator()(const RefreshStep& step);
    void operator()(const ReplyStep& step);
    void operator()(const FrameStep& step);
    void operator()(const AdvanceStep& step);
    void operator()(const GetStep& step);
    void operator()(const IoctlStep& step);
    void operator()(const CacheStep& step);
    void operator()(const StateStep& step);
    void operator()(const InfoStep& step);

private:
    void receive_frame(const char* op);

    SMDSPDevice& device_;
    PMBusProtocol* protocol_;
    TranscriptWriter& transcript_;
    HostAnswers& answers_;
    // The last received frame. It stays alive until the next one, since the
    // host's received-frame pointer keeps pointing at it.
    std::vector<std::uint8_t> frame_;
};

}  // namespace plugin_host
