#include "tools/plugin-host/run/run_summary.h"

#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "tools/plugin-host/common/json_object.h"
#include "tools/plugin-host/common/record_view.h"
#include "tools/plugin-host/common/time_text.h"

namespace plugin_host {

namespace {

// Modules side by side in the text summary.
constexpr unsigned MODULES_PER_LINE = 5;

std::string format(const char* pattern, double a)
{
    char text[64];
    std::snprintf(text, sizeof text, pattern, a);
    return text;
}

RecordView view_of(const qorv52_419_Data_t& record)
{
    return RecordView(reinterpret_cast<const std::uint8_t*>(&record));
}

std::string round_time(const qorv52_419_Data_t& record)
{
    return round_time_text(view_of(record).round_time()).value_or("not a date");
}

bool module_faulty(const protocol419::rectifier_module_block& module)
{
    return module.p41_44_count == 1 && module.p41_44[0] == 1;
}

const char* module_state(const protocol419::rectifier_module_block& module)
{
    if (module_faulty(module)) {
        return "FAULT";
    }
    return module.state_1 == 0 ? "on" : "off";
}

std::string dc_line(const char* label, const protocol419::dc_unit_block& dc, unsigned groups)
{
    std::string line = std::string("  ") + label + format("%7.2f V", static_cast<double>(dc.out_v.get())) +
                       format(" %7.1f A", static_cast<double>(dc.out_i.get()));
    if (groups > 0) {
        line += "   battery";
        for (unsigned i = 0; i < groups; ++i) {
            line += format(" %6.1f", static_cast<double>(dc.m[i].get()));
        }
        line += " A";
    }
    return line + "\n";
}

// How long the round took, and how much of it the line carried requests and replies.
std::string timing_text(const RoundTiming& timing)
{
    std::string text = format("  in %.0f ms", timing.duration_ms);
    if (timing.line_ms) {
        text += format(", %.0f ms to the last reply", *timing.line_ms);
    }
    return text;
}

// Milliseconds to a tenth, as JSON text.
std::string milliseconds(double value) { return format("%.1f", value); }

std::string alarm_text(const AlarmReport& alarm)
{
    return alarm.desc.empty() || alarm.desc == alarm.name ? alarm.name : alarm.name + "  " + alarm.desc;
}

// JSON text of the items, in order, as an array.
std::string json_array(const std::vector<std::string>& items)
{
    std::string out = "[";
    for (const std::string& item : items) {
        out += (out.size() > 1 ? "," : "") + item;
    }
    return out + "]";
}

std::string alarm_json(const AlarmReport& alarm)
{
    return JsonObject()
        .text("name", alarm.name)
        .text("desc", alarm.desc)
        .text("key", alarm.key)
        .text("id", alarm.id)
        .integer("level", alarm.level)
        .str();
}

// A device may send any four bytes: NaN and infinities become null.
std::string dc_json(const protocol419::dc_unit_block& dc, unsigned groups)
{
    std::vector<std::string> battery;
    for (unsigned i = 0; i < groups; ++i) {
        battery.push_back(json_float(dc.m[i].get()));
    }
    return JsonObject()
        .real("out_v", dc.out_v.get())
        .real("out_i", dc.out_i.get())
        .raw("battery", json_array(battery))
        .str();
}

}  // namespace

std::string summary_text(const RoundView& round)
{
    std::ostringstream out;
    if (!round.device.empty()) {
        out << round.device << "  ";
    }
    out << "round " << round.number;
    if (!round.completed_with_record()) {
        out << "  not completed (" << round.faults << (round.faults == 1 ? " fault" : " faults")
            << ", see standard error)" << timing_text(round.timing) << "\n";
        return out.str();
    }
    const qorv52_419_Data_t& r = round.record;
    const RecordView view = view_of(r);
    out << "  " << round_time(r) << "  " << round.replies << " replies";
    if (round.faults > 0) {
        out << ", " << round.faults << (round.faults == 1 ? " fault" : " faults");
    }
    out << timing_text(round.timing) << "\n";

    for (unsigned i = 0; i < view.ac_channels(); ++i) {
        const auto& ac = r.ac.acChannel[i];
        out << "  AC " << i + 1 << "   " << format("A %6.1f", static_cast<double>(ac.a.get()))
            << format("  B %6.1f", static_cast<double>(ac.b.get()))
            << format("  C %6.1f V", static_cast<double>(ac.c.get()))
            << format("  %6.2f Hz", static_cast<double>(ac.f.get())) << "\n";
    }

    const unsigned held = view.modules_held();
    float total = 0.0f;
    for (unsigned i = 0; i < held; ++i) {
        total += r.rc.rcChannel[i].current.get();
    }
    out << "  rect   " << format("%7.2f V", static_cast<double>(r.rc.out_v.get())) << format(" %7.1f A", static_cast<double>(total))
        << "   ";
    // A total over the modules the record holds says so when the power
    // system has more.
    if (held < view.modules_reported()) {
        out << "sum of " << held << " of ";
    }
    out << view.modules_reported() << " modules\n";
    for (unsigned i = 0; i < held; ++i) {
        const auto& module = r.rc.rcChannel[i];
        char cell[48];
        std::snprintf(cell, sizeof cell, "%02u %5.1f A %-5s", i + 1, static_cast<double>(module.current.get()),
                      module_state(module));
        std::string text = (i % MODULES_PER_LINE == 0 ? "         " : "   ") + std::string(cell);
        if (i % MODULES_PER_LINE == MODULES_PER_LINE - 1 || i + 1 == held) {
            text.erase(text.find_last_not_of(' ') + 1);
            text += "\n";
        }
        out << text;
    }

    out << dc_line("DC 1 ", r.dc, view.battery_groups(0));
    if (view.second_dc_unit()) {
        out << dc_line("DC 2 ", r.dc2, view.battery_groups(1));
    }

    for (const AlarmReport& alarm : round.raised) {
        out << "  alarm  + " << alarm_text(alarm) << "\n";
    }
    for (const AlarmReport& alarm : round.cleared) {
        out << "  alarm  - " << alarm_text(alarm) << "\n";
    }
    out << "  alarms " << round.active << " active\n";
    return out.str();
}

std::string summary_json(const RoundView& round)
{
    const bool completed = round.completed_with_record();
    JsonObject out;
    if (!round.device.empty()) {
        out.text("device", round.device);
    }
    out.integer("round", round.number)
        .boolean("completed", completed)
        .integer("replies", round.replies)
        .integer("faults", round.faults)
        .raw("duration_ms", milliseconds(round.timing.duration_ms))
        .raw("line_ms", round.timing.line_ms ? milliseconds(*round.timing.line_ms) : "null");
    if (completed) {
        const qorv52_419_Data_t& r = round.record;
        const RecordView view = view_of(r);
        std::vector<std::string> ac;
        for (unsigned i = 0; i < view.ac_channels(); ++i) {
            const auto& channel = r.ac.acChannel[i];
            ac.push_back(JsonObject()
                             .real("a", channel.a.get())
                             .real("b", channel.b.get())
                             .real("c", channel.c.get())
                             .real("f", channel.f.get())
                             .str());
        }
        std::vector<std::string> modules;
        for (unsigned i = 0; i < view.modules_held(); ++i) {
            const auto& module = r.rc.rcChannel[i];
            modules.push_back(JsonObject()
                                  .real("current", module.current.get())
                                  .boolean("on", module.state_1 == 0)
                                  .boolean("fault", module_faulty(module))
                                  .str());
        }
        std::vector<std::string> dc{dc_json(r.dc, view.battery_groups(0))};
        if (view.second_dc_unit()) {
            dc.push_back(dc_json(r.dc2, view.battery_groups(1)));
        }
        JsonObject rectifier;
        rectifier.real("out_v", r.rc.out_v.get()).integer("count", r.rc.channel_count);
        if (view.modules_held() < view.modules_reported()) {
            rectifier.integer("held", view.modules_held());
        }
        rectifier.raw("modules", json_array(modules));
        out.text("time", round_time(r))
            .raw("ac", json_array(ac))
            .raw("rectifier", rectifier.str())
            .raw("dc", json_array(dc));
    }
    std::vector<std::string> raised, cleared;
    for (const AlarmReport& alarm : round.raised) {
        raised.push_back(alarm_json(alarm));
    }
    for (const AlarmReport& alarm : round.cleared) {
        cleared.push_back(alarm_json(alarm));
    }
    out.raw("alarms", JsonObject()
                          .raw("raised", json_array(raised))
                          .raw("cleared", json_array(cleared))
                          .integer("active", static_cast<long long>(round.active))
                          .str());
    return out.str() + "\n";
}

void RunAccount::count(const RoundView& round)
{
    ++rounds;
    completed += round.completed_with_record() ? 1U : 0U;
    faults += static_cast<unsigned>(round.faults);
    cut += round.cut_short ? 1U : 0U;
}

std::string RunAccount::text(std::size_t devices) const
{
    std::string text = "stopped after " + std::to_string(rounds) + (rounds == 1 ? " round" : " rounds");
    if (devices != 0) {
        text += " of " + std::to_string(devices) + (devices == 1 ? " device" : " devices");
    }
    return text + ": " + std::to_string(completed) + " completed, " + std::to_string(rounds - completed) +
           " abandoned" + (cut != 0 ? " (" + std::to_string(cut) + " cut short by the stop)" : std::string()) + ", " +
           std::to_string(faults) + (faults == 1 ? " line fault" : " line faults");
}

}  // namespace plugin_host
