#include "tools/plugin-host/run/run_options.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <stdexcept>

#include <CLI/CLI.hpp>

#include "tools/plugin-host/metrics/metrics_server.h"
#include "tools/plugin-host/run/history_name.h"
#include "tools/plugin-host/simulate/simulator_options.h"

namespace plugin_host {

namespace {

void add_mqtt_options(CLI::App& command, MqttSettings& mqtt)
{
    const char* const group = "publishing to an MQTT broker";
    checked_by(command
                   .add_option("--mqtt", mqtt.url,
                               "publish every device's records, alarms and availability to this broker, with Home "
                               "Assistant discovery; records the broker has not acknowledged are sent again from the "
                               "history")
                   ->type_name("URL")
                   ->group(group),
               [](const std::string& given) { parse_broker_url(given); });
    const auto text = [&](const char* name, std::string& target, const char* help, const char* type) {
        return command.add_option(name, target, help)->type_name(type)->group(group);
    };
    text("--mqtt-client-id", mqtt.client_id, "the client id (default plugin-host-HOSTNAME)", "ID");
    text("--mqtt-prefix", mqtt.prefix, "the topics' prefix (default powersystem)", "PREFIX")
        ->check([](const std::string& given) {
            return given.empty() || given.find_first_of("+#") != std::string::npos
                       ? std::string("a topic prefix may not be empty or hold + or #")
                       : std::string();
        });
    text("--mqtt-username", mqtt.username, "the user name at the broker", "NAME");
    path_option(text("--mqtt-password-file", mqtt.password_file,
                     "the file whose first line is the password (never given on the command line)", "FILE"));
    path_option(text("--mqtt-ca-file", mqtt.ca_file, "for mqtts://: the CA certificate that signed the broker's",
                     "FILE"));
    path_option(text("--mqtt-cert-file", mqtt.cert_file, "for mqtts://: the tool's client certificate", "FILE"));
    path_option(text("--mqtt-key-file", mqtt.key_file, "for mqtts://: the client certificate's key", "FILE"));
    add_decimal_option(command, "--mqtt-qos", mqtt.qos, 1, 2,
                       "QoS of the records: 1 (default, at least once) or 2 (exactly once)")
        ->group(group);
}

}  // namespace

CommandAction add_run_command(CLI::App& tool)
{
    auto options = std::make_shared<RunOptions>();
    CLI::App& command =
        add_subcommand(tool, "run", "poll a power system (simulated by default) round after round");
    CLI::Option* simulate = command.add_flag("--simulate", "poll the built-in simulated power system (the default)");
    CLI::Option* port = path_option(command.add_option_function<std::string>(
                                "--port",
                                [options](const std::string& path) {
                                    options->port = path;
                                    options->simulate = false;
                                },
                                "poll the power system on this serial port"))
                            ->type_name("PATH")
                            ->excludes(simulate);
    add_baud_option(command, options->baud, "baud rate of the port (default: the device's, 9600)");
    add_decimal_option(command, "--address", options->address, 0, 255, "the power system's address (default 1)");
    add_config_option(command, options->config_path,
                      "the device's JSON document (default: the sample document, which enables the AC and DC "
                      "alarm rules); alarm levels and thresholds may come under \"host\": {\"levels\": {...}, "
                      "\"thresholds\": {...}}");
    add_decimal_option(command, "--rounds", options->rounds, 1, 1000000000,
                       "stop after N rounds (default: until SIGINT or SIGTERM)");
    path_option(command.add_option("--history", options->history,
                                   "append every published 1003-byte record to FILE; %Y, %m and %d in its name "
                                   "(%% for a %) give the date of the record's round time, such as "
                                   "hist/%Y-%m-%d.bin for one file a day"))
        ->type_name("FILE")
        ->check(CLI::Validator(
            [](const std::string& value) -> std::string {
                try {
                    check_history_name(value);
                } catch (const std::invalid_argument& error) {
                    return error.what();
                }
                return {};
            },
            ""));
    add_decimal_option(command, "--keep-days", options->keep_days, 1, MAX_KEEP_DAYS,
                       "with a --history of one file a day: remove its day files more than N days before the "
                       "device's day (no other file), at start and when the day changes")
        ->type_name("N");
    path_option(command.add_option("--capture", options->capture,
                                   "write the line as a replay scenario as it goes (flushed every round): "
                                   "plugin-host replay FILE makes the same calls"))
        ->type_name("FILE");
    command.add_flag("--json", options->json, "one JSON object per round instead of the text summary");
    add_decimal_option(command, "--timeout", options->timeout_ms, 10, 600000,
                       "how long to wait for each reply, in ms (default 1000)")
        ->type_name("MS");
    add_decimal_option(command, "--interval", options->interval_seconds, 1, 86400,
                       "start at most one round per interval, counted from the start of the previous round, "
                       "completed or not (default 2)")
        ->type_name("SECONDS");
    command
        .add_flag("--fast", options->fast,
                  "with the simulator (a site's simulated buses): move the devices' clock by the interval "
                  "instead of waiting for it (rounds as fast as the lines go)")
        ->excludes(port);
    command
        .add_option("--log", options->log,
                    "where line messages go (default stderr; syslog: ident plugin-host, facility daemon)")
        ->type_name("stderr|syslog")
        ->check(CLI::Validator(
            [](const std::string& value) -> std::string {
                return value == "stderr" || value == "syslog" ? "" : "takes stderr or syslog, not \"" + value + "\"";
            },
            ""));
    add_plugin_option(command, options->plugin);
    add_plugin_output_option(command, options->plugin_output);
    add_simulator_options(command, options->simulated);
    for (CLI::Option* simulator_option : command.get_options(
             [](CLI::Option* option) { return option->get_group() == "simulator options"; })) {
        simulator_option->excludes(port);
    }
    CLI::Option* site =
        path_option(command.add_option("--site", options->site,
                                       "poll every device of this site document (devices on serial ports or "
                                       "simulated buses, each with its address, configuration, interval, history "
                                       "and capture) instead of one; --rounds counts for each device"))
            ->type_name("FILE");
    // A service reads its site document from /etc and keeps its files in
    // its state directory (which systemd makes; one that is not there is a
    // mistake in the unit, not a folder to create).
    path_option(command.add_option("--state-dir", options->state_dir,
                                   "take the site's relative history and capture names from this folder instead "
                                   "of the site document's"))
        ->type_name("DIR")
        ->check(CLI::Validator(
            [](const std::string& value) -> std::string {
                struct stat status {};
                if (::stat(value.c_str(), &status) != 0) {
                    return "no folder " + value + ": " + std::strerror(errno);
                }
                return S_ISDIR(status.st_mode) ? "" : value + " is not a folder";
            },
            ""))
        ->needs(site);
    // The site document says, for each device, what these say for one.
    for (CLI::Option* one_device : command.get_options([site](CLI::Option* option) {
             static const char* const names[] = {"--simulate", "--port", "--baud", "--address", "--config",
                                                 "--history", "--keep-days", "--capture"};
             for (const char* name : names) {
                 if (option->check_lname(name + 2)) {
                     return true;
                 }
             }
             // A site's simulated buses may all be paced at once.
             return option != site && option->get_group() == "simulator options" && !option->check_lname("paced");
         })) {
        site->excludes(one_device);
    }
    checked_by(command
                   .add_option("--metrics", options->metrics,
                               "serve every device's readings, alarms, line state and counters for Prometheus at "
                               "http://ADDRESS:PORT/metrics (ADDRESS default 127.0.0.1; 0.0.0.0 to serve every "
                               "interface)")
                   ->type_name("[ADDRESS:]PORT"),
               [](const std::string& given) { parse_listen_address(given); });
    add_mqtt_options(command, options->mqtt);
    command.footer(
        "Polls one power system round after round, as the daemon does, and prints a\n"
        "summary of every round. Diagnostics of the line go to standard error, and at\n"
        "the end one line: rounds completed, abandoned, line faults."
        "\n\n"
        "The JSON object of a round has the members device (with --site), round,\n"
        "completed, replies, faults, duration_ms, line_ms, time, ac, rectifier, dc\n"
        "(time to dc only when the round completed) and alarms, in that order.\n\n" +
        simulator_events_help());
    return [options] { return run_command(*options); };
}

}  // namespace plugin_host
