// plugin-host simulate: act as the power system on a pseudo-terminal or a
// serial port, so that another host (or the daemon on a bench) can poll it.
#include <cerrno>
#include <chrono>
#include <cstring>
#include <iostream>
#include <memory>
#include <string>
#include <thread>

#include <sys/stat.h>
#include <unistd.h>

#include "host/serial_port.h"
#include "tools/plugin-host/commands.h"
#include "tools/plugin-host/run_signals.h"
#include "tools/plugin-host/run_simulator_options.h"
#include "tools/simulator/line_server.h"
#include "tools/simulator/paced_line.h"
#include "tools/simulator/pseudo_terminal.h"

namespace {

const char* const usage_head =
    "usage: plugin-host simulate [--port PATH [--baud N]] [--address N] [--version N] [options]\n"
    "\n"
    "Answers the monitoring protocol as a -48 V power system until SIGINT or SIGTERM.\n"
    "Without --port it makes a pseudo-terminal and prints the path to poll.\n"
    "\n"
    "  --port PATH        answer on this serial port\n"
    "  --link PATH        a symbolic link to the pseudo-terminal, removed on exit: a\n"
    "                     stable name for the host while simulators come and go\n"
    "  --baud N           its baud rate (default 9600)\n"
    "  --address N        the power system's address (default 1)\n"
    "  --version N        the protocol version byte (default 32, that is 0x20)\n";

// Points `link` at `target`, replacing a symbolic link a simulator left
// behind; anything else at that path is refused rather than overwritten.
void make_link(const std::string& link, const std::string& target)
{
    struct stat existing {};
    if (::lstat(link.c_str(), &existing) == 0 && !S_ISLNK(existing.st_mode)) {
        throw LineError(link + " exists and is not a symbolic link");
    }
    const std::string temporary = link + ".new";
    ::unlink(temporary.c_str());
    if (::symlink(target.c_str(), temporary.c_str()) != 0 || ::rename(temporary.c_str(), link.c_str()) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        throw LineError("cannot make the link " + link + ": " + std::strerror(error));
    }
}

// Removes the link on exit, unless another simulator has taken it over.
void remove_link(const std::string& link, const std::string& target)
{
    char pointed[4096];
    const ssize_t length = ::readlink(link.c_str(), pointed, sizeof pointed - 1);
    if (length > 0 && std::string(pointed, static_cast<std::size_t>(length)) == target) {
        ::unlink(link.c_str());
    }
}

}  // namespace

int run_simulate_command(int argc, char** argv)
{
    simulator::SimulatorSettings settings;
    std::string port_path;
    std::string link;
    int baud = 9600;
    try {
        for (int i = 0; i < argc; ++i) {
            const std::string arg = argv[i];
            auto value = [&] { return option_value(argc, argv, i); };
            if (arg == "--help" || arg == "-h") {
                std::cout << usage_head << simulator_options_usage;
                return 0;
            } else if (arg == "--port") {
                port_path = value();
            } else if (arg == "--link") {
                link = value();
            } else if (arg == "--baud") {
                baud = whole_number(arg, value(), 1, 4000000);
                try {
                    baud_constant(baud);
                } catch (const LineError& error) {
                    throw std::invalid_argument(std::string("--baud: ") + error.what());
                }
            } else if (arg == "--address") {
                settings.address = static_cast<std::uint8_t>(whole_number(arg, value(), 0, 255));
            } else if (arg == "--version") {
                settings.version = static_cast<std::uint8_t>(whole_number(arg, value(), 0, 255));
            } else if (!take_simulator_option(argc, argv, i, settings)) {
                throw std::invalid_argument("unknown argument " + arg);
            }
        }
        if (!link.empty() && !port_path.empty()) {
            throw std::invalid_argument("--link names the pseudo-terminal: it does not go with --port");
        }
    } catch (const std::invalid_argument& error) {
        std::cerr << "plugin-host simulate: " << error.what() << "\n" << usage_head << simulator_options_usage;
        return 2;
    }

    std::unique_ptr<FdLine> line;
    try {
        if (port_path.empty()) {
            auto pty = std::make_unique<PseudoTerminal>();
            port_path = pty->slave_path();
            line = std::move(pty);
            if (!link.empty()) {
                make_link(link, port_path);
            }
        } else {
            auto port = std::make_unique<SerialPort>(port_path, baud);
            port->open();
            line = std::move(port);
        }
    } catch (const LineError& error) {
        std::cerr << "plugin-host simulate: " << error.what() << std::endl;
        return 1;
    }

    simulator::PowerSystemSimulator sim(settings);
    sim.set_log([](const std::string& text) { std::cerr << "simulator: " << text << std::endl; });
    install_stop_handlers();
    std::cout << "simulated power system on " << port_path << (link.empty() ? "" : " as " + link) << " (address "
              << static_cast<int>(settings.address) << ", " << simulated_system_text(settings, baud)
              << "); stop with Ctrl-C" << std::endl;
    simulator::PacedLine paced(*line, baud);
    {
        simulator::BackgroundServer server(sim, settings.paced ? static_cast<ByteLine&>(paced) : *line);
        while (!stop_requested()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    }
    if (!link.empty()) {
        remove_link(link, port_path);
    }
    std::cerr << "plugin-host simulate: stopped after " << sim.round() << (sim.round() == 1 ? " round" : " rounds")
              << std::endl;
    return 0;
}
