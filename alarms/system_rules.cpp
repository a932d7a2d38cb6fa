#include "alarms/system_rules.h"

#include <algorithm>

#include "alarms/reading_text.h"

namespace alarms {

namespace {

using protocol419::AC_CHANNEL_BLOCKS;

// A counted AC input is live while every present phase carries more than this.
constexpr float LIVE_PHASE_VOLTS = 120.0f;
constexpr float OVER_VOLTAGE_VOLTS = 280.0f;
constexpr float UNDER_VOLTAGE_VOLTS = 150.0f;
// Readings at or below this are taken as "nothing measured" by the under-voltage
// and under-frequency rules, so an absent input does not also raise them. The
// single-precision reading is widened before the comparison.
constexpr double MEASURED_MINIMUM = 0.01;

// The record fields the threshold rules read, under the names of their texts.
struct readings {
    float phase[AC_CHANNEL_BLOCKS][3];  // ua, ub, uc of channels 1 and 2
    float frequency[AC_CHANNEL_BLOCKS];
    float udc;
    bool phase_present[3];  // has_a, has_b, has_c
};

readings read_readings(const qorv52_419_Data_t& record, const system_settings& settings)
{
    readings r{};
    for (unsigned channel = 0; channel < AC_CHANNEL_BLOCKS; ++channel) {
        const auto& block = record.ac.acChannel[channel];
        r.phase[channel][0] = block.a.get();
        r.phase[channel][1] = block.b.get();
        r.phase[channel][2] = block.c.get();
        r.frequency[channel] = block.f.get();
    }
    r.udc = record.dc.out_v.get();
    r.phase_present[0] = settings.has_a;
    r.phase_present[1] = settings.has_b;
    r.phase_present[2] = settings.has_c;
    return r;
}

bool measured(float value) { return static_cast<double>(value) > MEASURED_MINIMUM; }

template <class Test>
bool any_present_phase(const readings& r, Test test)
{
    for (const auto& channel : r.phase) {
        for (unsigned p = 0; p < 3; ++p) {
            if (r.phase_present[p] && test(channel[p])) {
                return true;
            }
        }
    }
    return false;
}

bool over_voltage(const readings& r, float)
{
    return any_present_phase(r, [](float v) { return v > OVER_VOLTAGE_VOLTS; });
}

bool under_voltage(const readings& r, float)
{
    return any_present_phase(r, [](float v) { return measured(v) && v < UNDER_VOLTAGE_VOLTS; });
}

// The outage rule looks at all six phases whatever the phase settings say.
bool outage(const readings& r, float)
{
    for (const auto& channel : r.phase) {
        for (float v : channel) {
            if (!(v < UNDER_VOLTAGE_VOLTS)) {
                return false;
            }
        }
    }
    return true;
}

bool over_frequency(const readings& r, float limit)
{
    return r.frequency[0] > limit || r.frequency[1] > limit;
}

bool under_frequency(const readings& r, float limit)
{
    return (measured(r.frequency[0]) && r.frequency[0] < limit) ||
           (measured(r.frequency[1]) && r.frequency[1] < limit);
}

bool dc_below(const readings& r, float limit) { return r.udc < limit; }

bool dc_above(const readings& r, float limit) { return r.udc > limit; }

// A mode-2 rule. Its level, and its limit when it has one, are kept by the
// daemon under the rule's signal identifier, which is also its key. The texts
// are strings once for good: the daemon takes them as strings every round.
struct threshold_rule {
    std::string id;
    std::string name;
    bool has_limit;
    bool (*active)(const readings&, float limit);
};

const threshold_rule ac_voltage_rules[] = {
    {"220600120010", "001#48V直流系统交流输入电压过高告警", false, over_voltage},
    {"220600130010", "001#48V直流系统交流输入电压过低告警", false, under_voltage},
    {"220600140010", "001#48V直流系统交流输入停电告警", false, outage},
};

const threshold_rule ac_frequency_rules[] = {
    {"220600160010", "001#48V直流系统交流输入频率过高告警", true, over_frequency},
    {"220600170010", "001#48V直流系统交流输入频率过低告警", true, under_frequency},
};

const threshold_rule dc_voltage_rules[] = {
    {"210600320010", "48V直流系统直流总电压过低告警", true, dc_below},
    {"210600330010", "48V直流系统直流总电压超低告警", true, dc_below},
    {"210600340010", "直流总电压过高告警", true, dc_above},
};

constexpr unsigned short THRESHOLD_RULE_SEQ = 1;

template <std::size_t N>
void check_rules(const threshold_rule (&rules)[N], const readings& r, const std::string& desc, level_map& levels,
                 threshold_map& thresholds, alarm_reporter& reporter)
{
    for (const threshold_rule& rule : rules) {
        const int level = levels[rule.id];
        if (level == 0) {
            continue;
        }
        const float limit = rule.has_limit ? thresholds[rule.id] : 0.0f;
        reporter.report(level, rule.id, rule.id, desc, rule.name, rule.active(r, limit), THRESHOLD_RULE_SEQ);
    }
}

// The detail texts are written anew every round into buffers kept per thread,
// so that once a thread has judged a round it judges the next ones without
// allocating.
struct detail_texts {
    std::string voltage;
    std::string frequency;
    std::string dc_voltage;
};

detail_texts& round_texts()
{
    thread_local detail_texts texts;
    return texts;
}

// "ua1:220.5 ub1:221 uc1:219.8 ua2:0 ub2:0 uc2:0", in the stream's default format.
const std::string& voltage_text(const readings& r, std::string& text)
{
    static const char* const labels[AC_CHANNEL_BLOCKS][3] = {{"ua1:", " ub1:", " uc1:"}, {" ua2:", " ub2:", " uc2:"}};
    text.clear();
    for (unsigned channel = 0; channel < AC_CHANNEL_BLOCKS; ++channel) {
        for (unsigned phase = 0; phase < 3; ++phase) {
            text += labels[channel][phase];
            append_stream_float(text, r.phase[channel][phase]);
        }
    }
    return text;
}

// "f1:50 f2:0".
const std::string& frequency_text(const readings& r, std::string& text)
{
    text.clear();
    text += "f1:";
    append_stream_float(text, r.frequency[0]);
    text += " f2:";
    append_stream_float(text, r.frequency[1]);
    return text;
}

// Nine significant digits: the DC text shows the reading as stored.
const std::string& dc_voltage_text(const readings& r, std::string& text)
{
    text.clear();
    append_lexical_float(text, r.udc);
    return text;
}

void check_power_off(const qorv52_419_Data_t& record, const system_settings& settings, alarm_reporter& reporter)
{
    if (!settings.has_ac) {
        return;
    }
    const bool present[3] = {settings.has_a, settings.has_b, settings.has_c};
    // The count comes from the power system; the record has room for two inputs.
    const unsigned channels = std::min<unsigned>(record.ac.channel_count, AC_CHANNEL_BLOCKS);
    bool powered = false;
    for (unsigned i = 0; i < channels; ++i) {
        const auto& block = record.ac.acChannel[i];
        const float phase[3] = {block.a.get(), block.b.get(), block.c.get()};
        bool live = true;
        for (unsigned p = 0; p < 3 && live; ++p) {
            live = !present[p] || phase[p] > LIVE_PHASE_VOLTS;
        }
        powered = powered || live;
    }
    static const std::string key = "PowerOff";
    static const std::string id = "419415001";
    static const std::string name = "输入电源中断告警";
    reporter.report(1, key, id, name, name, !powered, 100);
}

void check_threshold_rules(const qorv52_419_Data_t& record, const system_settings& settings, level_map& levels,
                           threshold_map& thresholds, alarm_reporter& reporter)
{
    const readings r = read_readings(record, settings);
    detail_texts& texts = round_texts();
    if (settings.has_ac) {
        check_rules(ac_voltage_rules, r, voltage_text(r, texts.voltage), levels, thresholds, reporter);
        check_rules(ac_frequency_rules, r, frequency_text(r, texts.frequency), levels, thresholds, reporter);
    }
    if (settings.has_dc) {
        check_rules(dc_voltage_rules, r, dc_voltage_text(r, texts.dc_voltage), levels, thresholds, reporter);
    }
}

}  // namespace

void check_system_rules(const qorv52_419_Data_t& record, const system_settings& settings, level_map& levels,
                        threshold_map& thresholds, alarm_reporter& reporter)
{
    switch (settings.mode) {
    case 1:
        check_power_off(record, settings, reporter);
        break;
    case 2:
        check_threshold_rules(record, settings, levels, thresholds, reporter);
        break;
    default:
        break;
    }
}

}  // namespace alarms
