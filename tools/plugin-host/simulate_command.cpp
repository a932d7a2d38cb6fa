// plugin-host simulate: act as the power system on a pseudo-terminal or a
// serial port, so that another host (or the daemon on a bench) can poll it.
#include <chrono>
#include <iostream>
#include <memory>
#include <string>
#include <thread>

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
    "  --baud N           its baud rate (default 9600)\n"
    "  --address N        the power system's address (default 1)\n"
    "  --version N        the protocol version byte (default 32, that is 0x20)\n";

}  // namespace

int run_simulate_command(int argc, char** argv)
{
    simulator::SimulatorSettings settings;
    std::string port_path;
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
            } else if (arg == "--baud") {
                baud = whole_number(arg, value(), 1, 4000000);
            } else if (arg == "--address") {
                settings.address = static_cast<std::uint8_t>(whole_number(arg, value(), 0, 255));
            } else if (arg == "--version") {
                settings.version = static_cast<std::uint8_t>(whole_number(arg, value(), 0, 255));
            } else if (!take_simulator_option(argc, argv, i, settings)) {
                throw std::invalid_argument("unknown argument " + arg);
            }
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
    std::cout << "simulated power system on " << port_path << " (address " << static_cast<int>(settings.address)
              << ", " << simulated_system_text(settings, baud) << "); stop with Ctrl-C" << std::endl;
    simulator::PacedLine paced(*line, baud);
    {
        simulator::BackgroundServer server(sim, settings.paced ? static_cast<ByteLine&>(paced) : *line);
        while (!stop_requested()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    }
    std::cerr << "plugin-host simulate: stopped after " << sim.round() << (sim.round() == 1 ? " round" : " rounds")
              << std::endl;
    return 0;
}
