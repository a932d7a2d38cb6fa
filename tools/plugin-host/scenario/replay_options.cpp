#include "tools/plugin-host/scenario/replay_options.h"

#include <memory>

#include <CLI/CLI.hpp>

namespace plugin_host {

CommandAction add_replay_command(CLI::App& tool)
{
    auto options = std::make_shared<ReplayOptions>();
    CLI::App& command =
        add_subcommand(tool, "replay", "drive one device through a scenario file and write a transcript");
    path_option(command.add_option("SCENARIO", options->scenario,
                                   "JSON Lines, one {\"op\": ...} per line, or - for standard input; blank lines "
                                   "and lines starting with # are skipped. ops: host, config, refresh, reply, "
                                   "frame, advance, get, ioctl, cache, state, info"),
                true)
        ->required()
        ->type_name("");
    add_plugin_option(command, options->plugin);
    path_option(command.add_option("--transcript", options->transcript,
                                   "write the transcript here (default: standard output, mixed with the plug-in's "
                                   "own diagnostic lines)"))
        ->type_name("FILE");
    command.footer(
        "Loads the plug-in as the daemon does, creates one device and runs the scenario\n"
        "against it, writing every call the plug-in makes into the host as a transcript."
        "\n\n"
        "The device's clock starts at 2026-01-01 00:00:00 local time and moves only\n"
        "with {\"op\":\"advance\",\"seconds\":N}. A malformed scenario line ends the replay\n"
        "with status 2; the lines before it have run.\n\n"
        "A capture written by plugin-host run --capture is a scenario: it replays the\n"
        "run's calls. A capture cut short replays up to its last whole line; the cut\n"
        "line is refused as malformed and named as cut short.");
    return [options] { return replay_command(*options); };
}

}  // namespace plugin_host
