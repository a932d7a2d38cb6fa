// plugin-host replay: drives one device of the plug-in through a scenario
// file and writes down every call the plug-in makes into the host.
#include <fstream>
#include <iostream>
#include <memory>
#include <string>

#include "host/plugin_loader.h"
#include "tools/plugin-host/commands.h"
#include "tools/plugin-host/plugin_path.h"
#include "tools/plugin-host/replay_clock.h"
#include "tools/plugin-host/replay_session.h"
#include "tools/plugin-host/scenario_parser.h"
#include "tools/plugin-host/transcript_observer.h"

namespace {

const char* const usage =
    "usage: plugin-host replay SCENARIO [--plugin PATH] [--transcript FILE]\n"
    "\n"
    "Loads the plug-in as the daemon does, creates one device and runs the scenario\n"
    "against it, writing every call the plug-in makes into the host as a transcript.\n"
    "\n"
    "  SCENARIO           JSON Lines, one {\"op\": ...} per line, or - for standard input;\n"
    "                     blank lines and lines starting with # are skipped.\n"
    "                     ops: host, config, refresh, reply, frame, advance, get, ioctl,\n"
    "                     cache, state, info\n"
    "  --plugin PATH      the plug-in library (default: the one built beside the tool)\n"
    "  --transcript FILE  write the transcript here (default: standard output, mixed\n"
    "                     with the plug-in's own diagnostic lines)\n"
    "\n"
    "The device's clock starts at 2026-01-01 00:00:00 local time and moves only\n"
    "with {\"op\":\"advance\",\"seconds\":N}.\n"
    "\n"
    "A capture written by plugin-host run --capture is a scenario: it replays the\n"
    "run's calls. A capture cut short replays up to its last whole line; the cut\n"
    "line is refused as malformed and named as cut short.\n"
    "\n"
    "exit status: 0 every line ran; 1 the plug-in cannot be loaded;\n"
    "             2 usage error or malformed scenario line (lines before it have run)\n";

struct Options {
    std::string scenario;
    std::string plugin;
    std::string transcript;
};

int usage_error(const std::string& message)
{
    std::cerr << "plugin-host replay: " << message << "\n" << usage;
    return 2;
}

}  // namespace

int run_replay_command(int argc, char** argv)
{
    Options options;
    options.plugin = default_plugin_path();
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::cout << usage;
            return 0;
        }
        if ((arg == "--plugin" || arg == "--transcript") && i + 1 < argc) {
            (arg == "--plugin" ? options.plugin : options.transcript) = argv[++i];
        } else if (arg != "-" && arg.rfind("-", 0) == 0) {
            return usage_error("unknown option " + arg);
        } else if (options.scenario.empty()) {
            options.scenario = arg;
        } else {
            return usage_error("more than one scenario given");
        }
    }
    if (options.scenario.empty()) {
        return usage_error("no scenario given");
    }

    std::ifstream scenario_file;
    if (options.scenario != "-") {
        scenario_file.open(options.scenario);
        if (!scenario_file) {
            return usage_error("cannot read " + options.scenario);
        }
    }
    std::istream& scenario = options.scenario == "-" ? std::cin : scenario_file;
    const std::string scenario_name = options.scenario == "-" ? "standard input" : options.scenario;

    std::ofstream transcript_file;
    if (!options.transcript.empty()) {
        transcript_file.open(options.transcript, std::ios::binary | std::ios::trunc);
        if (!transcript_file) {
            return usage_error("cannot write " + options.transcript);
        }
    }
    plugin_host::TranscriptWriter transcript(options.transcript.empty() ? std::cout : transcript_file);
    plugin_host::TranscriptObserver observer(transcript);

    plugin_host::start_replay_clock();
    std::unique_ptr<PluginLibrary> library;
    std::unique_ptr<SMDSPDevice> device;
    try {
        library = std::make_unique<PluginLibrary>(options.plugin);
        device = library->create_device();
    } catch (const std::exception& error) {
        std::cerr << "plugin-host replay: cannot load the plug-in " << options.plugin << ": " << error.what() << "\n";
        return 1;
    }
    if (!device) {
        std::cerr << "plugin-host replay: the plug-in's factory created no device\n";
        return 1;
    }
    device->set_observer(&observer);
    plugin_host::ReplaySession session(*device, transcript, observer.answers);
    session.set_host_defaults();

    int status = 0;
    long line_number = 0;
    const auto refuse_line = [&](const char* reason) {
        transcript.flush();
        std::cout.flush();
        std::cerr << "plugin-host replay: " << scenario_name << " line " << line_number << ": " << reason << "\n";
        status = 2;
    };
    std::string line;
    while (std::getline(scenario, line)) {
        ++line_number;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        std::optional<plugin_host::ScenarioStep> step;
        try {
            step = plugin_host::parse_scenario_line(line);
        } catch (const plugin_host::ScenarioError& error) {
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
        status = 2;
    }
    // The device's code lives in the library: destroy it first.
    device.reset();
    transcript.flush();
    std::cout.flush();
    return status;
}
