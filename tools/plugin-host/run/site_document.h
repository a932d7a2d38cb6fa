// The site document of plugin-host run --site: the power systems a host
// polls, each with its line (a serial port, or a simulated bus), address,
// device configuration and the daemon's levels and thresholds for it.
//
//   {"devices": [
//     {"name": "east-1", "port": "/dev/ttyUSB0", "baud": 9600, "address": 1,
//      "config": "east-1.json", "interval": 5, "history": "east-1/%Y-%m-%d.bin", "keep_days": 90},
//     {"name": "lab-2", "simulator": {"bus": "lab", "modules": 12, "events": ["3 mains-failure"]},
//      "address": 2, "config": {"appSetting": {...}, "host": {"levels": {...}}}}
//   ]}
//
// "paced": true in a device's "simulator" makes its bus reply at the pace of
// its baud rate; the devices of one bus that say it must agree.
//
// Devices with the same port, or the same simulated bus, share that line.
// "mqtt": {"url": "mqtt://127.0.0.1:1883", "client_id", "prefix", "username",
// "password_file", "ca_file", "cert_file", "key_file", "qos"} publishes to a
// broker (run --mqtt and its options say the same, and win).
//
// Relative file names are taken from the site document's folder; relative
// history and capture names from the state folder instead when one is given
// (a service keeps its configuration in /etc and its files in /var/lib).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include <json/value.h>

#include "tools/plugin-host/mqtt/mqtt_settings.h"
#include "tools/simulator/simulator.h"

namespace plugin_host {

struct SiteDevice {
    std::string name;
    std::size_t line = 0;           // which of the site's lines it is on
    int address = 1;
    Json::Value config;             // the device document, "host" member included
    int interval_seconds = 0;       // 0: the command line's --interval
    std::string history;            // empty: none; may carry the date (HistoryName)
    int keep_days = 0;              // 0: every day file is kept
    std::string capture;            // empty: none
    simulator::SimulatorSettings simulated;  // on a simulated bus: its power system
    Json::Value entry;              // the device's entry as the document gives it
};

struct SiteLine {
    std::string port;               // the serial port, or the simulated bus's name
    bool simulated = false;
    int baud = 0;                   // 0: the device's own
    bool paced = false;             // a simulated bus that replies at the pace of its baud rate
    std::vector<std::size_t> devices;  // in the site document's order: the order of turns
};

// What the fleet's monitoring calls the one device of a single run.
constexpr const char* SINGLE_DEVICE_NAME = "power-system";

struct Site {
    std::vector<SiteDevice> devices;
    std::vector<SiteLine> lines;
    // The one device of run's own command line: said as one device, by no
    // name, as the tool has always said it.
    bool single = false;
    std::string metrics;  // "metrics": PORT or ADDRESS:PORT of the metrics endpoint; empty: none
    MqttSettings mqtt;    // "mqtt": the broker; no url: none
};

// Whether a reload finds a device as it was: the same entry in the document
// and the same device document (which may come from a file of its own).
bool same_device(const SiteDevice& a, const SiteDevice& b);

// Reads and checks the site document. Throws std::invalid_argument
// (DocumentError) naming the file and the key path of the member that is
// wrong, such as devices[2].simulator.modules.
Site read_site(const std::string& path, const std::string& state_folder = {});
// The same from the text of the document called `file`; relative names are
// taken from `folder`, those of histories and captures from `state_folder`
// when it is not empty.
Site parse_site(const std::string& text, const std::string& folder, const std::string& file,
                const std::string& state_folder = {});

}  // namespace plugin_host
