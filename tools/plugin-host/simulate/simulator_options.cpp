#include "tools/plugin-host/simulate/simulator_options.h"

#include <stdexcept>

#include <CLI/CLI.hpp>

#include "tools/plugin-host/scenario/capture_reader.h"
#include "tools/plugin-host/cli/command_line.h"
#include "tools/plugin-host/common/input_file.h"
#include "tools/simulator/events.h"

namespace plugin_host {

namespace {

// The library reports a bad value with the option's name in front.
template <class Parse>
void as_usage_error(const std::string& option, Parse parse)
{
    try {
        parse();
    } catch (const std::invalid_argument& error) {
        throw CLI::ValidationError(option + ": " + error.what());
    }
}

}  // namespace

void add_simulator_options(CLI::App& command, simulator::SimulatorSettings& settings)
{
    add_decimal_option(command, "--modules", settings.system.modules, 0, simulator::MAX_MODULES,
                       "rectifier modules (default 6)")
        ->group("simulator options");
    add_decimal_option(command, "--dc-units", settings.system.dc_units, 1, 2,
                       "DC distribution units, 1 or 2 (default 1)")
        ->group("simulator options");
    command.add_flag("--dc-unit-count", settings.system.dc_unit_count,
                     "DC replies carry the unit count byte (always with 2 units)")
        ->group("simulator options");
    command.add_flag_callback("--steady", [&settings] { settings.system.jitter = false; },
                              "readings without the small round-to-round movement")
        ->group("simulator options");
    command
        .add_option_function<std::vector<std::string>>(
            "--event",
            [&settings](const std::vector<std::string>& events) {
                for (const std::string& text : events) {
                    as_usage_error("--event", [&] { settings.events.push_back(simulator::parse_event(text)); });
                }
            },
            "a scripted event, e.g. '3 mains-failure', '10s module-fault 2' (repeatable)")
        ->type_name("'WHEN WHAT [N]'")
        ->allow_extra_args(false)
        ->group("simulator options");
    path_option(command.add_option_function<std::string>(
            "--script",
            [&settings](const std::string& path) {
                const std::string text = read_input_file(path, "event script");
                try {
                    for (const simulator::Event& event : simulator::parse_script(text)) {
                        settings.events.push_back(event);
                    }
                } catch (const std::invalid_argument& error) {
                    throw std::invalid_argument(path + ": " + error.what());
                }
            },
            "scripted events, one per line (# comments)"))
        ->type_name("FILE")
        ->group("simulator options");
    path_option(command.add_option_function<std::string>(
            "--from-capture", [&settings](const std::string& path) { settings.captured = read_capture_file(path); },
            "answer each request with the reply a captured site gave to the same request, in order, the last one "
            "again when the capture runs out; scripted line faults still apply"))
        ->type_name("FILE")
        ->group("simulator options");
    command
        .add_flag(
            "--paced", settings.paced,
            "reply at the line's baud rate (10 bits a character) after a short turnaround, as a real power "
            "system does (for a pseudo-terminal: a serial port keeps its own pace)")
        ->group("simulator options");
}

std::string simulated_system_text(const simulator::SimulatorSettings& settings, int baud)
{
    std::string text =
        settings.captured
            ? "answering from a capture of " + std::to_string(settings.captured->size()) + " exchanges"
            : std::to_string(settings.system.modules) + " rectifier modules, " +
                  std::to_string(settings.system.dc_units) + (settings.system.dc_units == 1 ? " DC unit" : " DC units");
    if (settings.paced) {
        text += ", paced at " + std::to_string(baud) + " baud";
    }
    return text;
}

std::string simulator_events_help()
{
    return "events (WHEN is a round number, 3, or seconds since start, 10s; N is a channel,\n"
           "1 or 2, default both, a module number, or how many replies a line fault spoils):\n" +
           simulator::event_list();
}

}  // namespace plugin_host
