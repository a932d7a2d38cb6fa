// The simulated -48 V power system: two AC input channels, the rectifier
// modules and one or two DC distribution units, with the conditions that
// scripted events switch on and off. Readings follow from the conditions.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace simulator {

struct SystemSettings {
    int modules = 6;                // rectifier modules, up to forty and beyond (MAX_MODULES)
    int dc_units = 1;               // 1 or 2
    bool dc_unit_count = false;     // DC replies carry the unit count byte (always with 2 units)
    float load_current = 120.0f;    // DC load in amperes, shared by the units
    bool jitter = true;             // small movement of the readings from round to round
    int phase = 0;                  // rounds by which that movement is ahead of another power system's
};

struct AcChannel {
    float nominal_voltage = 220.0f;
    float frequency = 50.0f;
    bool mains_failed = false;
    bool breaker_tripped = false;
    bool surge_fault = false;
};

struct RectifierModule {
    bool on = true;
    bool fault = false;
};

enum class DcCondition { normal, undervoltage, overvoltage };

// Readings of one moment, as the replies carry them.
struct AcReading {
    float a, b, c, f;
};
struct DcReading {
    float voltage, current;
    std::array<float, 2> battery;
};

class PowerSystem {
public:
    explicit PowerSystem(const SystemSettings& settings);

    const SystemSettings& settings() const { return settings_; }
    std::array<AcChannel, 2>& ac() { return ac_; }
    const std::array<AcChannel, 2>& ac() const { return ac_; }
    std::vector<RectifierModule>& modules() { return modules_; }
    const std::vector<RectifierModule>& modules() const { return modules_; }
    DcCondition& dc_condition() { return dc_condition_; }
    bool equalizing() const { return equalize_; }

    // Moves the jitter on: readings change a little with every round.
    void set_round(unsigned round) { round_ = round; }

    bool mains_present() const;
    AcReading ac_reading(int channel) const;
    float ac_output_current() const;
    float rectifier_voltage() const;
    // Output current of module i (from 0): the load and the battery charge
    // shared by the modules that run.
    float module_current(int i) const;
    float module_temperature(int i) const;
    DcReading dc_reading(int unit) const;

    // Control commands. Each returns false when it does not apply.
    bool set_clock(const std::uint8_t (&time)[7]);
    bool set_dc_parameter(std::uint8_t type, float value);
    bool remote_control(std::uint8_t type, std::uint8_t value, std::string& what);

    const std::array<std::uint8_t, 7>& clock() const { return clock_; }
    const std::map<std::uint8_t, float>& dc_parameters() const { return dc_parameters_; }

private:
    float wobble(int salt, float amplitude) const;
    int running_modules() const;

    SystemSettings settings_;
    std::array<AcChannel, 2> ac_{};
    std::vector<RectifierModule> modules_;
    DcCondition dc_condition_ = DcCondition::normal;
    bool equalize_ = false;
    unsigned round_ = 0;
    std::array<std::uint8_t, 7> clock_{};
    std::map<std::uint8_t, float> dc_parameters_;
};

}  // namespace simulator
