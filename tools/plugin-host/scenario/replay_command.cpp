// plugin-host replay: drives one device of the plug-in through a scenario
// file and writes down every call the plug-in makes into the host.
#include <fstream>
#include <iostream>
#include <memory>
#include <stdexcept>
#include <string>

#include "tools/plugin-host/cli/exit_status.h"
#include "tools/plugin-host/common/plugin_device.h"
#include "tools/plugin-host/common/file_uses.h"
#include "tools/plugin-host/scenario/replay_clock.h"
#include "tools/plugin-host/scenario/replay_options.h"
#include "tools/plugin-host/scenario/replay_session.h"
#include "tools/plugin-host/scenario/scenario_parser.h"
#include "tools/plugin-host/scenario/transcript_observer.h"

namespace plugin_host {

int replay_command(const ReplayOptions& options)
{
    FileUses uses;
    uses.input("the scenario", options.scenario);
    uses.output("--transcript", options.transcript);
    std::ifstream scenario_file;
    if (options.scenario != "-") {
        scenario_file.open(options.scenario);
        if (!scenario_file) {
            throw std::invalid_argument("cannot read " + options.scenario);
        }
    }
    std::istream& scenario = options.scenario == "-" ? std::cin : scenario_file;
    const std::string scenario_name = options.scenario == "-" ? "standard input" : options.scenario;

    std::ofstream transcript_file;
    if (!options.transcript.empty()) {
        transcript_file.open(options.transcript, std::ios::binary | std::ios::trunc);
        if (!transcript_file) {
            throw std::runtime_error("cannot write " + options.transcript);
        }
    }
    TranscriptWriter transcript(options.transcript.empty() ? std::cout : transcript_file);
    TranscriptObserver observer(transcript);

    start_replay_clock();
    PluginDevice loaded = load_plugin_device(options.plugin);
    SMDSPDevice* device = loaded.device.get();
    device->set_observer(&observer);
    ReplaySession session(*device, transcript, observer.answers);
    session.set_host_defaults();

    int status = 0;
    long line_number = 0;
    const auto refuse_line = [&](const char* reason) {
        transcript.flush();
        std::cout.flush();
        std::cerr << "plugin-host replay: " << scenario_name << " line " << line_number << ": " << reason << "\n";
        status = EXIT_WRONG_INPUT;
    };
    std::string line;
    while (std::getline(scenario, line)) {
        ++line_number;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        std::optional<ScenarioStep> step;
        try {
            step = parse_scenario_line(line);
        } catch (const ScenarioError& error) {
            // A capture cut by a crash or a pulled plug ends inside a line:
            // the lines before it are the scenario.
            const std::string reason =
                scenario.eof() ? std::string("cut short, the scenario ends inside this line: ") + error.what()
                               : std::string(error.what());
            refuse_line(reason.c_str());
            break;
        }
        if (!step) {
            continue;
        }
        try {
            session.run(*step);
        } catch (const std::exception& error) {
            // Calls into the plug-in report their own exceptions; this is the
            // tool failing to apply a step to this device.
            refuse_line(error.what());
            break;
        }
    }
    if (status == 0 && scenario.bad()) {
        std::cerr << "plugin-host replay: error reading " << scenario_name << "\n";
        status = EXIT_WRONG_INPUT;
    }
    // Whatever the device does as it goes still belongs to the transcript.
    loaded.device.reset();
    transcript.flush();
    std::cout.flush();
    if (!(options.transcript.empty() ? static_cast<bool>(std::cout) : static_cast<bool>(transcript_file))) {
        throw std::runtime_error("cannot write the transcript to " +
                                 (options.transcript.empty() ? std::string("standard output") : options.transcript));
    }
    return status;
}

}  // namespace plugin_host
