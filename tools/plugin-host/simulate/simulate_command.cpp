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
#include "tools/plugin-host/cli/exit_status.h"
#include "tools/plugin-host/common/stop_signals.h"
#include "tools/plugin-host/simulate/simulate_options.h"
#include "tools/plugin-host/simulate/simulator_options.h"
#include "tools/simulator/line_server.h"
#include "tools/simulator/paced_line.h"
#include "tools/simulator/power_system_bus.h"
#include "tools/simulator/pseudo_terminal.h"

namespace plugin_host {

namespace {

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

int simulate_command(SimulateOptions& options)
{
    simulator::SimulatorSettings& settings = options.settings;
    settings.version = static_cast<std::uint8_t>(options.protocol_version);
    const std::vector<std::uint8_t>& addresses = options.addresses;
    simulator::PowerSystemBus bus(simulator::bus_settings(settings, addresses));
    std::string port_path = options.port;
    const std::string& link = options.link;
    std::unique_ptr<FdLine> line;
    if (port_path.empty()) {
        auto pty = std::make_unique<PseudoTerminal>();
        port_path = pty->slave_path();
        line = std::move(pty);
        if (!link.empty()) {
            make_link(link, port_path);
        }
    } else {
        auto port = std::make_unique<SerialPort>(port_path, options.baud);
        port->open();
        line = std::move(port);
    }

    bus.set_log([](const std::string& text) { std::cerr << "simulator: " << text << std::endl; });
    install_stop_handlers();
    std::string address_text;
    for (const std::uint8_t address : addresses) {
        address_text += (address_text.empty() ? "" : ", ") + std::to_string(address);
    }
    std::cout << "simulated power system" << (addresses.size() == 1 ? "" : "s") << " on " << port_path
              << (link.empty() ? "" : " as " + link) << " (address" << (addresses.size() == 1 ? " " : "es ")
              << address_text << ", " << simulated_system_text(settings, options.baud) << "); stop with Ctrl-C"
              << std::endl;
    simulator::PacedLine paced(*line, options.baud);
    {
        simulator::BackgroundServer server(bus, settings.paced ? static_cast<ByteLine&>(paced) : *line);
        while (!stop_requested()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    }
    if (!link.empty()) {
        remove_link(link, port_path);
    }
    unsigned rounds = 0;
    for (std::size_t i = 0; i < bus.size(); ++i) {
        rounds += bus.at(i).round();
    }
    std::cerr << "plugin-host simulate: stopped after " << rounds << (rounds == 1 ? " round" : " rounds") << std::endl;
    return EXIT_DONE;
}

}  // namespace plugin_host
