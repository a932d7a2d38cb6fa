// plugin-host simulate: act as the power system on a pseudo-terminal or a
// serial port, so that another host (or the daemon on a bench) can poll it.
#include <chrono>
#include <iostream>
#include <memory>
#include <string>
#include <thread>

#include "host/serial_port.h"
#include "tools/plugin-host/exit_status.h"
#include "tools/plugin-host/run_signals.h"
#include "tools/plugin-host/simulate_options.h"
#include "tools/plugin-host/simulator_options.h"
#include "tools/simulator/line_server.h"
#include "tools/simulator/paced_line.h"
#include "tools/simulator/pseudo_terminal.h"

namespace plugin_host {

int simulate_command(SimulateOptions& options)
{
    simulator::SimulatorSettings& settings = options.settings;
    settings.address = static_cast<std::uint8_t>(options.address);
    settings.version = static_cast<std::uint8_t>(options.protocol_version);
    std::string port_path = options.port;
    std::unique_ptr<FdLine> line;
    if (port_path.empty()) {
        auto pty = std::make_unique<PseudoTerminal>();
        port_path = pty->slave_path();
        line = std::move(pty);
    } else {
        auto port = std::make_unique<SerialPort>(port_path, options.baud);
        port->open();
        line = std::move(port);
    }

    simulator::PowerSystemSimulator sim(settings);
    sim.set_log([](const std::string& text) { std::cerr << "simulator: " << text << std::endl; });
    install_stop_handlers();
    std::cout << "simulated power system on " << port_path << " (address " << static_cast<int>(settings.address)
              << ", " << simulated_system_text(settings, options.baud) << "); stop with Ctrl-C" << std::endl;
    simulator::PacedLine paced(*line, options.baud);
    {
        simulator::BackgroundServer server(sim, settings.paced ? static_cast<ByteLine&>(paced) : *line);
        while (!stop_requested()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    }
    std::cerr << "plugin-host simulate: stopped after " << sim.round() << (sim.round() == 1 ? " round" : " rounds")
              << std::endl;
    return EXIT_DONE;
}

}  // namespace plugin_host
