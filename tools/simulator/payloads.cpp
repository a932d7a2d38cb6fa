#include "tools/simulator/payloads.h"

#include <cstring>

namespace simulator {

namespace {

// Normal AC input voltage range and frequency range of the alarm states.
constexpr float AC_LOW = 187.0f;
constexpr float AC_HIGH = 242.0f;
constexpr float FREQUENCY_ALARM_BELOW = 48.0f;
constexpr float FREQUENCY_ALARM_ABOVE = 52.0f;
constexpr float DC_LOW = 47.0f;
constexpr float DC_HIGH = 57.5f;

std::uint8_t range_state(float value, float low, float high)
{
    if (value < low) {
        return ALARM_BELOW;
    }
    return value > high ? ALARM_ABOVE : ALARM_NORMAL;
}

// The user-defined analog values of a DC unit: battery temperature and the
// battery's state of charge in per cent.
void put_dc_unit(Bytes& out, const DcReading& dc)
{
    put_float(out, dc.voltage);
    put_float(out, dc.current);
    out.push_back(2);
    put_float(out, dc.battery[0]);
    put_float(out, dc.battery[1]);
    out.push_back(0);  // no branch currents
    out.push_back(2);
    put_float(out, 25.0f);
    put_float(out, dc.battery[0] < 0.0f ? 80.0f : 100.0f);
}

}  // namespace

void put_float(Bytes& out, float value)
{
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<std::uint8_t>(bits >> shift));
    }
}

Bytes ac_analog(const PowerSystem& system)
{
    Bytes out;
    out.push_back(2);
    for (int channel = 0; channel < 2; ++channel) {
        const AcReading r = system.ac_reading(channel);
        put_float(out, r.a);
        put_float(out, r.b);
        put_float(out, r.c);
        put_float(out, r.f);
        out.push_back(0);  // no user-defined analog values
    }
    const float current = system.ac_output_current();
    put_float(out, current);
    put_float(out, current);
    put_float(out, current);
    return out;
}

Bytes ac_status(const PowerSystem& system)
{
    const auto& ac = system.ac();
    const bool tripped = ac[0].breaker_tripped || ac[1].breaker_tripped;
    return {1, static_cast<std::uint8_t>(tripped ? 1 : 0), 1, 0};
}

Bytes ac_alarms(const PowerSystem& system)
{
    Bytes out;
    out.push_back(2);
    for (int channel = 0; channel < 2; ++channel) {
        const AcChannel& ac = system.ac()[static_cast<std::size_t>(channel)];
        const AcReading r = system.ac_reading(channel);
        out.push_back(range_state(r.a, AC_LOW, AC_HIGH));
        out.push_back(range_state(r.b, AC_LOW, AC_HIGH));
        out.push_back(range_state(r.c, AC_LOW, AC_HIGH));
        out.push_back(ac.mains_failed ? ALARM_NORMAL
                                      : range_state(r.f, FREQUENCY_ALARM_BELOW, FREQUENCY_ALARM_ABOVE));
        out.push_back(1);  // one fuse state
        out.push_back(0);
        out.push_back(5);
        out.push_back(ac.breaker_tripped ? BREAKER_TRIPPED : 0);
        out.push_back(ac.mains_failed ? POWER_FAILED : 0);
        out.push_back(ac.surge_fault ? SURGE_FAULT : 0);
        out.push_back(0);
        out.push_back(0);
    }
    out.push_back(ALARM_NORMAL);
    out.push_back(ALARM_NORMAL);
    out.push_back(ALARM_NORMAL);
    return out;
}

Bytes rectifier_analog(const PowerSystem& system)
{
    Bytes out;
    put_float(out, system.rectifier_voltage());
    const int count = static_cast<int>(system.modules().size());
    // The count is one byte on the line; a larger system cannot say more.
    const int sent = count > 255 ? 255 : count;
    out.push_back(static_cast<std::uint8_t>(sent));
    for (int i = 0; i < sent; ++i) {
        put_float(out, system.module_current(i));
        out.push_back(1);
        put_float(out, system.module_temperature(i));
    }
    return out;
}

Bytes rectifier_status(const PowerSystem& system)
{
    Bytes out;
    const auto& modules = system.modules();
    const std::size_t sent = modules.size() > 255 ? 255 : modules.size();
    out.push_back(static_cast<std::uint8_t>(sent));
    const bool equalize = system.equalizing();
    for (std::size_t i = 0; i < sent; ++i) {
        out.push_back(modules[i].on ? 0 : 1);        // on/off
        out.push_back(0);                            // not current-limited
        out.push_back(equalize && modules[i].on ? 1 : 0);  // float/equalize
        out.push_back(0);
    }
    return out;
}

Bytes rectifier_alarms(const PowerSystem& system)
{
    Bytes out;
    const auto& modules = system.modules();
    const std::size_t sent = modules.size() > 255 ? 255 : modules.size();
    out.push_back(static_cast<std::uint8_t>(sent));
    for (std::size_t i = 0; i < sent; ++i) {
        out.push_back(modules[i].fault ? 1 : 0);
        out.push_back(1);
        out.push_back(modules[i].fault ? 1 : 0);
    }
    return out;
}

Bytes dc_analog(const PowerSystem& system)
{
    Bytes out;
    const int units = system.settings().dc_units;
    if (system.settings().dc_unit_count) {
        out.push_back(static_cast<std::uint8_t>(units));
    }
    for (int unit = 0; unit < units; ++unit) {
        put_dc_unit(out, system.dc_reading(unit));
    }
    return out;
}

Bytes dc_alarms(const PowerSystem& system)
{
    Bytes out;
    const int units = system.settings().dc_units;
    if (system.settings().dc_unit_count) {
        out.push_back(static_cast<std::uint8_t>(units));
    }
    for (int unit = 0; unit < units; ++unit) {
        out.push_back(range_state(system.dc_reading(unit).voltage, DC_LOW, DC_HIGH));
        out.push_back(2);  // fuse and switch states
        out.push_back(0);
        out.push_back(0);
        out.push_back(1);  // user-defined: battery discharging
        out.push_back(system.dc_reading(unit).battery[0] < 0.0f ? 1 : 0);
    }
    return out;
}

}  // namespace simulator
