#include "tools/plugin-host/scenario/capture_writer.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <stdexcept>

#include <json/writer.h>

#include "tools/clock_seam/clock_seam.h"
#include "tools/plugin-host/common/hex_text.h"
#include "tools/plugin-host/common/json_object.h"
#include "tools/plugin-host/common/time_text.h"
#include "tools/plugin-host/scenario/replay_clock.h"

namespace plugin_host {

namespace {

using wall = std::chrono::system_clock;

// The wall clock's local time to the millisecond, for the comments: the
// device's clock may be moved, the comments say when things really happened.
std::string wall_time()
{
    const auto now = wall::now();
    const std::time_t seconds = wall::to_time_t(now);
    const auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", local.tm_hour, local.tm_min, local.tm_sec,
                  static_cast<int>(millis));
    return text;
}

std::string wall_date() { return local_time_text(wall::to_time_t(wall::now())); }

}  // namespace

CaptureWriter::CaptureWriter(std::ostream& out, HostObserver& next)
    : ObserverRelay(next), out_(out), replay_clock_(replay_clock_start())
{
}

void CaptureWriter::begin(const PMBusProtocol& device, const Json::Value& config, const std::string& origin)
{
    comment("capture of " + origin + ", started " + wall_date() +
            "; replay it with plugin-host replay, serve it with --from-capture");
    // The run tool's host gives the default answers.
    const HostAnswers answers;
    JsonObject host;
    host.text("op", "host")
        .integer("data_id", device.data_id_)
        .boolean("refresh", answers.refresh != 0)
        .boolean("ao_report", answers.ao_report)
        .boolean("batch", answers.batch)
        .integer("version", device.protocol_version_);
    std::string ao = "[";
    for (const std::string& signal : device.ao_signals_) {
        const auto value = device.ao_values_.find(signal);
        ao += (ao.size() > 1 ? ",[" : "[") + json_string(signal) + "," +
              (value == device.ao_values_.end() ? std::string("null") : json_float(value->second)) + "]";
    }
    host.raw("levels", members_of(device.level_map_).str())
        .raw("thresholds", members_of(device.threshold_map_).str())
        .raw("ao", ao + "]")
        .integer("pending_rules", static_cast<long long>(device.pending_rules_.size()));
    line(host.str());

    catch_up_clock();
    Json::StreamWriterBuilder writer;
    writer["indentation"] = "";
    JsonObject step;
    step.text("op", "config").raw("doc", Json::writeString(writer, config));
    line(step.str());
    out_.flush();
}

int CaptureWriter::control(SMDSPDevice& device, int code, const std::vector<std::uint8_t>& in, int out_len,
                           std::vector<std::uint8_t>& out, int& out_used)
{
    catch_up_clock();
    JsonObject step;
    step.text("op", "ioctl").integer("code", code).text("in", to_hex(in)).integer("out_len", out_len);
    line(step.str());
    out_.flush();
    // The input pointer is valid even without bytes, as in a replay. (Made
    // at its size at once: a copy grown afterwards trips g++ 12's
    // free-nonheap-object warning in optimised builds.)
    std::vector<std::uint8_t> input(std::max<std::size_t>(in.size(), 1));
    std::copy(in.begin(), in.end(), input.begin());
    out.assign(out_len > 0 ? static_cast<std::size_t>(out_len) : 0, 0xAA);
    return device.DeviceIoControl(code, input.data(), static_cast<int>(in.size()), out.data(), out_len, out_used);
}

void CaptureWriter::end_round() { out_.flush(); }

void CaptureWriter::before_round()
{
    catch_up_clock();
    line(R"({"op":"refresh"})");
}

void CaptureWriter::on_reply(const unsigned char* frame, std::size_t length)
{
    catch_up_clock();
    JsonObject step;
    step.text("op", "frame").text("hex", to_hex(frame, length));
    line(step.str());
}

void CaptureWriter::on_fault(const std::string& problem) { comment(wall_time() + " fault: " + problem); }

void CaptureWriter::on_send(unsigned char cid1, unsigned char cid2, const unsigned char* data, int length)
{
    std::string text = wall_time() + " sent " + to_hex(cid1) + "/" + to_hex(cid2);
    if (data != nullptr && length > 0) {
        text += " " + to_hex(data, static_cast<std::size_t>(length));
    }
    comment(text);
    ObserverRelay::on_send(cid1, cid2, data, length);
}

void CaptureWriter::catch_up_clock()
{
    if (follow_real_clock_) {
        clock_seam::move_to(wall::to_time_t(wall::now()));
    }
    const std::time_t device_clock = clock_seam::now();
    if (device_clock != replay_clock_) {
        JsonObject step;
        step.text("op", "advance").integer("seconds", static_cast<long long>(device_clock - replay_clock_));
        line(step.str());
        replay_clock_ = device_clock;
    }
}

void CaptureWriter::line(const std::string& text)
{
    // One write per line: a cut can only fall inside the last one.
    out_.write((text + '\n').data(), static_cast<std::streamsize>(text.size() + 1));
}

void CaptureWriter::comment(const std::string& text) { line("# " + text); }

std::unique_ptr<CaptureWriter> open_capture(const std::string& path, std::ofstream& file, HostObserver& next)
{
    file.open(path, std::ios::binary | std::ios::trunc);
    if (!file) {
        throw std::runtime_error("cannot write the capture " + path);
    }
    return std::make_unique<CaptureWriter>(file, next);
}

}  // namespace plugin_host
