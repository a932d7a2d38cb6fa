#include "tools/plugin-host/run/site_document.h"

#include <algorithm>
#include <optional>
#include <set>
#include <stdexcept>

#include "tools/plugin-host/common/device_config.h"
#include "tools/plugin-host/common/file_uses.h"
#include "tools/plugin-host/metrics/metrics_server.h"
#include "tools/plugin-host/common/input_file.h"
#include "tools/plugin-host/common/json_members.h"
#include "tools/plugin-host/common/run_config.h"
#include "tools/plugin-host/run/history_name.h"

namespace plugin_host {

namespace {

std::string in_folder(const std::string& folder, const std::string& name)
{
    return name.empty() || name[0] == '/' || folder.empty() ? name : folder + "/" + name;
}

// The device document of one entry (a file, given in place, or the sample)
// with the "host" section given beside it added.
Json::Value device_config(JsonMembers& entry, const std::string& folder)
{
    Json::Value config;
    const Json::Value* given = entry.find("config");
    if (given == nullptr) {
        config = sample_device_config();
    } else if (given->isString() && !given->asString().empty()) {
        config = load_device_config(in_folder(folder, given->asString()));
    } else if (given->isObject()) {
        config = *given;
        check_device_config(config, entry.file(), member_path(entry.path(), "config"));
    } else {
        entry.refuse("config", "must be a file name or a device document");
    }
    // Levels and thresholds given beside the document add to those within it.
    const Json::Value* host = entry.find("host");
    if (host == nullptr) {
        return config;
    }
    check_host_section(*host, entry.file(), member_path(entry.path(), "host"));
    for (const std::string& section : host->getMemberNames()) {
        if ((*host)[section].isObject()) {
            for (const std::string& id : (*host)[section].getMemberNames()) {
                config["host"][section][id] = (*host)[section][id];
            }
        } else {
            config["host"][section] = (*host)[section];
        }
    }
    return config;
}

// The power system of a device on a simulated bus; gives the bus's name, and
// whether the device says the bus is paced.
std::string read_simulated(JsonMembers& entry, SiteDevice& device, std::optional<bool>& paced)
{
    JsonMembers given = entry.object("simulator");
    const std::string bus = given.name("bus").value_or("simulator");
    simulator::SystemSettings& system = device.simulated.system;
    system.modules = static_cast<int>(given.integer("modules", 0, simulator::MAX_MODULES).value_or(system.modules));
    system.dc_units = static_cast<int>(given.integer("dc_units", 1, 2).value_or(system.dc_units));
    system.dc_unit_count = given.boolean("dc_unit_count").value_or(false);
    system.jitter = !given.boolean("steady").value_or(false);
    paced = given.boolean("paced");
    const Json::Value* events = given.find("events");
    if (events != nullptr && !events->isArray()) {
        given.refuse("events", "must be a list of events such as \"3 mains-failure\"");
    }
    for (Json::ArrayIndex i = 0; events != nullptr && i < events->size(); ++i) {
        const Json::Value& event = (*events)[i];
        try {
            if (!event.isString()) {
                throw std::invalid_argument("must be an event such as \"3 mains-failure\"");
            }
            device.simulated.events.push_back(simulator::parse_event(event.asString()));
        } catch (const std::invalid_argument& error) {
            given.refuse(element_path("events", i), error.what());
        }
    }
    given.check_no_others();
    device.simulated.address = static_cast<std::uint8_t>(device.address);
    return bus;
}

// The device's history name, checked, with the days of files it keeps.
std::string read_history(JsonMembers& entry, const std::string& folder, int& keep_days)
{
    const std::string history = entry.name("history").value_or("");
    try {
        check_history_name(history);
    } catch (const std::invalid_argument& error) {
        entry.refuse("history", error.what());
    }
    keep_days = static_cast<int>(entry.integer("keep_days", 1, MAX_KEEP_DAYS).value_or(0));
    if (keep_days != 0 && !HistoryName(history).daily()) {
        entry.refuse("keep_days", "takes a \"history\" whose name carries the day: %Y, %m and %d");
    }
    return in_folder(folder, history);
}

}  // namespace

Site parse_site(const std::string& text, const std::string& folder, const std::string& file,
                const std::string& state_folder)
{
    const std::string& files_folder = state_folder.empty() ? folder : state_folder;
    const Json::Value document = parse_json(text, file);
    JsonMembers top(document, file, "");
    const Json::Value* devices = top.find("devices");
    if (devices == nullptr || !devices->isArray() || devices->empty()) {
        top.refuse("devices", "must be a list of at least one device");
    }
    Site site;
    if (const Json::Value* metrics = top.find("metrics")) {
        if (metrics->isUInt() || metrics->isString()) {
            site.metrics = metrics->isUInt() ? std::to_string(metrics->asUInt()) : metrics->asString();
            try {
                parse_listen_address(site.metrics);
            } catch (const std::invalid_argument& error) {
                top.refuse("metrics", error.what());
            }
        } else {
            top.refuse("metrics", "must be a port or \"ADDRESS:PORT\", such as \"127.0.0.1:9419\"");
        }
    }
    if (const Json::Value* mqtt = top.find("mqtt")) {
        if (!mqtt->isObject()) {
            top.refuse("mqtt", "must be an object such as {\"url\": \"mqtt://127.0.0.1:1883\"}");
        }
        site.mqtt = read_mqtt_settings(*mqtt, file, folder);
    }
    top.check_no_others();
    std::set<std::string> names;
    // How messages call each device: by its name, or by its place in the list.
    std::vector<std::string> called;
    // For each line, the device that said whether the bus is paced.
    std::vector<std::optional<std::size_t>> paced_by;
    for (Json::ArrayIndex i = 0; i < devices->size(); ++i) {
        JsonMembers entry((*devices)[i], file, element_path("devices", i));
        SiteDevice device;
        device.entry = (*devices)[i];
        const std::optional<std::string> name = entry.name("name");
        device.address = static_cast<int>(entry.integer("address", 0, 255).value_or(1));
        std::string port = entry.name("port").value_or("");
        const bool simulated = entry.find("simulator") != nullptr;
        if (simulated == !port.empty()) {
            entry.refuse("", "needs either \"port\" or \"simulator\"");
        }
        std::optional<bool> paced;
        if (simulated) {
            port = read_simulated(entry, device, paced);
        }
        const int baud = static_cast<int>(entry.integer("baud", 1, 4000000).value_or(0));
        device.config = device_config(entry, folder);
        device.interval_seconds = static_cast<int>(entry.integer("interval", 1, 86400).value_or(0));
        device.history = read_history(entry, files_folder, device.keep_days);
        device.capture = in_folder(files_folder, entry.name("capture").value_or(""));
        entry.check_no_others();

        auto line = std::find_if(site.lines.begin(), site.lines.end(), [&](const SiteLine& known) {
            // A port is known by the device file it leads to: a by-id link
            // and its target, or a doubled slash, are one bus.
            return known.simulated == simulated &&
                   (simulated ? known.port == port : resolved_path(known.port) == resolved_path(port));
        });
        if (line == site.lines.end()) {
            line = site.lines.insert(site.lines.end(), SiteLine{port, simulated, baud, false, {}});
            paced_by.emplace_back();
        } else if (baud != 0 && line->baud != 0 && baud != line->baud) {
            entry.refuse("baud", std::to_string(baud) + " on " + port + ", which another device polls at " +
                                     std::to_string(line->baud));
        }
        const std::size_t line_index = static_cast<std::size_t>(line - site.lines.begin());
        line->baud = line->baud != 0 ? line->baud : baud;
        for (const std::size_t other : line->devices) {
            if (site.devices[other].address == device.address) {
                entry.refuse("address", std::to_string(device.address) + " on " + port + " is taken by " +
                                            called[other]);
            }
        }
        if (paced) {
            const std::optional<std::size_t> said = paced_by[line_index];
            if (said && line->paced != *paced) {
                entry.refuse("simulator.paced", std::string(*paced ? "true" : "false") + ", but " + called[*said] +
                                                    " on bus " + port + " says " + (*paced ? "false" : "true"));
            }
            line->paced = *paced;
            paced_by[line_index] = site.devices.size();
        }
        device.name = name.value_or(port + "#" + std::to_string(device.address));
        if (!names.insert(device.name).second) {
            entry.refuse("name", "\"" + device.name + "\" is taken by another device");
        }
        called.push_back(name ? "device \"" + *name + "\"" : entry.path());
        device.line = line_index;
        line->devices.push_back(site.devices.size());
        site.devices.push_back(std::move(device));
    }
    return site;
}

bool same_device(const SiteDevice& a, const SiteDevice& b)
{
    return a.name == b.name && a.entry == b.entry && a.config == b.config && a.history == b.history &&
           a.capture == b.capture;
}

Site read_site(const std::string& path, const std::string& state_folder)
{
    const std::size_t slash = path.rfind('/');
    return parse_site(read_input_file(path, "site document"),
                      slash == std::string::npos ? std::string() : path.substr(0, slash), path, state_folder);
}

}  // namespace plugin_host
