#include "tools/simulator/power_system.h"

#include <algorithm>
#include <cmath>

namespace simulator {

namespace {

constexpr float FLOAT_VOLTAGE = 53.5f;
constexpr float EQUALIZE_VOLTAGE = 56.4f;
constexpr float BATTERY_VOLTAGE = 49.0f;  // on battery after a mains failure
constexpr float UNDER_VOLTAGE = 45.0f;
constexpr float OVER_VOLTAGE = 58.0f;
constexpr float BATTERY_CHARGE = 1.5f;    // per battery group while the mains is present

// The rectifier remote-control types that the plug-in sends, as this power
// system takes them: E5 and E6 switch the module named by the value byte on
// and off; 1F, 10 and 11 choose float charge, equalize charge and a battery test.
constexpr std::uint8_t MODULE_ON = 0xE5;
constexpr std::uint8_t MODULE_OFF = 0xE6;
constexpr std::uint8_t FLOAT_CHARGE = 0x1F;
constexpr std::uint8_t EQUALIZE_CHARGE = 0x10;
constexpr std::uint8_t BATTERY_TEST = 0x11;

// The DC parameter types that the plug-in sets; the power system keeps their values.
constexpr std::uint8_t PARAMETER_DC = 0xDC;
constexpr std::uint8_t PARAMETER_DB = 0xDB;
constexpr float DC_PARAMETER_LOWEST = 40.0f;
constexpr float DC_PARAMETER_HIGHEST = 60.0f;

}  // namespace

PowerSystem::PowerSystem(const SystemSettings& settings) : settings_(settings)
{
    settings_.modules = std::max(0, settings_.modules);
    settings_.dc_units = settings_.dc_units >= 2 ? 2 : 1;
    if (settings_.dc_units == 2) {
        settings_.dc_unit_count = true;
    }
    modules_.resize(static_cast<std::size_t>(settings_.modules));
}

float PowerSystem::wobble(int salt, float amplitude) const
{
    if (!settings_.jitter) {
        return 0.0f;
    }
    const double phase = 0.9 * static_cast<double>(round_) + 1.7 * static_cast<double>(salt);
    return amplitude * static_cast<float>(std::sin(phase));
}

bool PowerSystem::mains_present() const
{
    return std::any_of(ac_.begin(), ac_.end(),
                       [](const AcChannel& channel) { return !channel.mains_failed && !channel.breaker_tripped; });
}

AcReading PowerSystem::ac_reading(int channel) const
{
    const AcChannel& ac = ac_[static_cast<std::size_t>(channel)];
    if (ac.mains_failed) {
        return {0.0f, 0.0f, 0.0f, 0.0f};
    }
    const int salt = 10 * channel;
    return {ac.nominal_voltage + wobble(salt + 1, 1.5f), ac.nominal_voltage + wobble(salt + 2, 1.5f),
            ac.nominal_voltage + wobble(salt + 3, 1.5f), ac.frequency + wobble(salt + 4, 0.02f)};
}

float PowerSystem::ac_output_current() const { return mains_present() ? 3.2f + wobble(40, 0.2f) : 0.0f; }

int PowerSystem::running_modules() const
{
    return static_cast<int>(
        std::count_if(modules_.begin(), modules_.end(), [](const RectifierModule& m) { return m.on && !m.fault; }));
}

float PowerSystem::rectifier_voltage() const
{
    if (!mains_present() || running_modules() == 0) {
        return 0.0f;
    }
    return dc_reading(0).voltage;
}

float PowerSystem::module_current(int i) const
{
    const RectifierModule& module = modules_[static_cast<std::size_t>(i)];
    const int running = running_modules();
    if (!mains_present() || !module.on || module.fault || running == 0) {
        return 0.0f;
    }
    const float charge = BATTERY_CHARGE * 2.0f * static_cast<float>(settings_.dc_units);
    return (settings_.load_current + charge) / static_cast<float>(running) + wobble(100 + i, 0.3f);
}

float PowerSystem::module_temperature(int i) const { return 31.0f + 0.5f * static_cast<float>(i % 8); }

DcReading PowerSystem::dc_reading(int unit) const
{
    const bool on_battery = !mains_present() || running_modules() == 0;
    float voltage = on_battery ? BATTERY_VOLTAGE : (equalize_ ? EQUALIZE_VOLTAGE : FLOAT_VOLTAGE);
    if (dc_condition_ == DcCondition::undervoltage) {
        voltage = UNDER_VOLTAGE;
    } else if (dc_condition_ == DcCondition::overvoltage) {
        voltage = OVER_VOLTAGE;
    }
    // With two units the first carries 60 % of the load.
    const float share = settings_.dc_units == 2 ? (unit == 0 ? 0.6f : 0.4f) : 1.0f;
    const float load = settings_.load_current * share + wobble(200 + unit, 0.5f);
    const float battery = on_battery ? -load / 2.0f : BATTERY_CHARGE;
    return {voltage + wobble(210 + unit, 0.05f), load, {battery, battery}};
}

bool PowerSystem::set_clock(const std::uint8_t (&time)[7])
{
    std::copy(std::begin(time), std::end(time), clock_.begin());
    return true;
}

bool PowerSystem::set_dc_parameter(std::uint8_t type, float value)
{
    if (type != PARAMETER_DC && type != PARAMETER_DB) {
        return false;
    }
    // Charge voltages of a -48 V system sit between these; anything else
    // (a NaN, -1e30) is a corrupted command, not a setting.
    if (!std::isfinite(value) || value < DC_PARAMETER_LOWEST || value > DC_PARAMETER_HIGHEST) {
        return false;
    }
    dc_parameters_[type] = value;
    return true;
}

bool PowerSystem::remote_control(std::uint8_t type, std::uint8_t value, std::string& what)
{
    switch (type) {
    case MODULE_ON:
    case MODULE_OFF: {
        // The command value names the module, from 1.
        if (value == 0 || value > modules_.size()) {
            return false;
        }
        modules_[value - 1u].on = type == MODULE_ON;
        what = "module " + std::to_string(value) + (type == MODULE_ON ? " switched on" : " switched off");
        return true;
    }
    case FLOAT_CHARGE:
        equalize_ = false;
        what = "float charge";
        return true;
    case EQUALIZE_CHARGE:
        equalize_ = true;
        what = "equalize charge";
        return true;
    case BATTERY_TEST:
        what = "battery test";
        return true;
    default:
        return false;
    }
}

}  // namespace simulator
