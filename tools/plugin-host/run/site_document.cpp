#include "tools/plugin-host/run/site_document.h"

#include <algorithm>
#include <memory>
#include <set>
#include <stdexcept>

#include <json/reader.h>

#include "tools/plugin-host/common/device_config.h"
#include "tools/plugin-host/common/input_file.h"

namespace plugin_host {

namespace {

const std::set<std::string> device_members = {"name",     "port",    "baud",    "simulator", "address",
                                              "config",   "host",    "interval", "history",  "capture"};
const std::set<std::string> simulator_members = {"bus", "modules", "dc_units", "dc_unit_count", "steady", "events"};

Json::Value parse_document(const std::string& text)
{
    Json::Value document;
    std::string errors;
    const std::unique_ptr<Json::CharReader> reader(Json::CharReaderBuilder().newCharReader());
    if (!reader->parse(text.data(), text.data() + text.size(), &document, &errors)) {
        throw std::invalid_argument("not JSON: " + errors.substr(0, errors.find('\n')));
    }
    if (!document.isObject()) {
        throw std::invalid_argument("not a JSON object");
    }
    return document;
}

std::string in_folder(const std::string& folder, const std::string& name)
{
    return name.empty() || name[0] == '/' || folder.empty() ? name : folder + "/" + name;
}

// Reads the members of one device, each complaint naming it.
class DeviceReader {
public:
    DeviceReader(const Json::Value& entry, std::string label) : entry_(entry), label_(std::move(label)) {}

    [[noreturn]] void refuse(const std::string& what) const
    {
        throw std::invalid_argument(label_ + ": " + what);
    }
    void only(const Json::Value& object, const std::set<std::string>& known, const std::string& where) const
    {
        for (const std::string& member : object.getMemberNames()) {
            if (known.count(member) == 0) {
                refuse("unknown member \"" + where + member + "\"");
            }
        }
    }
    std::string text(const Json::Value& object, const char* key, const std::string& where = "") const
    {
        const Json::Value& value = object[key];
        if (value.isNull()) {
            return {};
        }
        if (!value.isString() || value.asString().empty()) {
            refuse("\"" + where + key + "\" must be a non-empty string");
        }
        return value.asString();
    }
    int number(const Json::Value& object, const char* key, int low, int high, int absent,
               const std::string& where = "") const
    {
        const Json::Value& value = object[key];
        if (value.isNull()) {
            return absent;
        }
        if (!value.isInt() || value.asInt() < low || value.asInt() > high) {
            refuse("\"" + where + key + "\" must be a whole number from " + std::to_string(low) + " to " +
                   std::to_string(high));
        }
        return value.asInt();
    }
    bool flag(const Json::Value& object, const char* key, const std::string& where) const
    {
        const Json::Value& value = object[key];
        if (!value.isNull() && !value.isBool()) {
            refuse("\"" + where + key + "\" must be true or false");
        }
        return value.asBool();
    }

    const Json::Value& entry_;
    const std::string label_;
};

Json::Value device_config(const DeviceReader& reader, const std::string& folder)
{
    const Json::Value& given = reader.entry_["config"];
    Json::Value config;
    try {
        if (given.isNull()) {
            config = sample_device_config();
        } else if (given.isString()) {
            config = load_device_config(in_folder(folder, given.asString()));
        } else if (given.isObject()) {
            config = given;
            check_device_config(config, "\"config\"");
        } else {
            reader.refuse("\"config\" must be a file name or a device document");
        }
    } catch (const std::invalid_argument& error) {
        reader.refuse(error.what());
    }
    // Levels and thresholds given beside the document add to those within it.
    const Json::Value& host = reader.entry_["host"];
    if (!host.isNull() && !host.isObject()) {
        reader.refuse("\"host\" must be an object");
    }
    for (const std::string& section : host.getMemberNames()) {
        if (host[section].isObject()) {
            for (const std::string& id : host[section].getMemberNames()) {
                config["host"][section][id] = host[section][id];
            }
        } else {
            config["host"][section] = host[section];
        }
    }
    return config;
}

void read_simulated(const DeviceReader& reader, SiteDevice& device, std::string& bus)
{
    const Json::Value& given = reader.entry_["simulator"];
    if (!given.isObject()) {
        reader.refuse("\"simulator\" must be an object, such as {\"bus\": \"lab\"}");
    }
    reader.only(given, simulator_members, "simulator.");
    bus = reader.text(given, "bus", "simulator.");
    if (bus.empty()) {
        bus = "simulator";
    }
    simulator::SystemSettings& system = device.simulated.system;
    system.modules = reader.number(given, "modules", 0, 255, system.modules, "simulator.");
    system.dc_units = reader.number(given, "dc_units", 1, 2, system.dc_units, "simulator.");
    system.dc_unit_count = reader.flag(given, "dc_unit_count", "simulator.");
    system.jitter = !reader.flag(given, "steady", "simulator.");
    const Json::Value& events = given["events"];
    if (!events.isNull() && !events.isArray()) {
        reader.refuse("\"simulator.events\" must be a list of events such as \"3 mains-failure\"");
    }
    for (const Json::Value& event : events) {
        try {
            device.simulated.events.push_back(simulator::parse_event(event.asString()));
        } catch (const std::exception& error) {
            reader.refuse(std::string("\"simulator.events\": ") + error.what());
        }
    }
    device.simulated.address = static_cast<std::uint8_t>(device.address);
}

}  // namespace

Site parse_site(const std::string& text, const std::string& folder)
{
    Json::Value document;
    try {
        document = parse_document(text);
    } catch (const std::invalid_argument& error) {
        throw std::invalid_argument(std::string("the site document is ") + error.what());
    }
    const Json::Value& devices = document["devices"];
    if (!devices.isArray() || devices.empty()) {
        throw std::invalid_argument("the site document needs \"devices\": a list of at least one device");
    }
    Site site;
    const Json::Value& metrics = document["metrics"];
    if (metrics.isUInt() || metrics.isString()) {
        site.metrics = metrics.isUInt() ? std::to_string(metrics.asUInt()) : metrics.asString();
    } else if (!metrics.isNull()) {
        throw std::invalid_argument("\"metrics\" must be a port or \"ADDRESS:PORT\", such as \"127.0.0.1:9419\"");
    }
    std::set<std::string> names;
    for (Json::ArrayIndex i = 0; i < devices.size(); ++i) {
        const Json::Value& entry = devices[i];
        if (!entry.isObject()) {
            throw std::invalid_argument("device " + std::to_string(i + 1) + " is not an object");
        }
        DeviceReader reader(entry, "device " + std::to_string(i + 1));
        SiteDevice device;
        device.name = reader.text(entry, "name");
        DeviceReader named(entry, device.name.empty() ? reader.label_ : "device \"" + device.name + "\"");
        named.only(entry, device_members, "");
        device.address = named.number(entry, "address", 0, 255, 1);
        std::string port = named.text(entry, "port");
        const bool simulated = entry.isMember("simulator");
        if (simulated == !port.empty()) {
            named.refuse("needs either \"port\" or \"simulator\"");
        }
        if (simulated) {
            read_simulated(named, device, port);
        }
        if (device.name.empty()) {
            device.name = port + "#" + std::to_string(device.address);
        }
        if (!names.insert(device.name).second) {
            named.refuse("the name \"" + device.name + "\" is taken by another device");
        }
        const int baud = named.number(entry, "baud", 1, 4000000, 0);
        device.config = device_config(named, folder);
        device.interval_seconds = named.number(entry, "interval", 1, 86400, 0);
        device.history = in_folder(folder, named.text(entry, "history"));
        device.capture = in_folder(folder, named.text(entry, "capture"));

        auto line = std::find_if(site.lines.begin(), site.lines.end(), [&](const SiteLine& known) {
            return known.port == port && known.simulated == simulated;
        });
        if (line == site.lines.end()) {
            line = site.lines.insert(site.lines.end(), SiteLine{port, simulated, baud, {}});
        } else if (baud != 0 && line->baud != 0 && baud != line->baud) {
            named.refuse("baud " + std::to_string(baud) + " on " + port + ", which another device polls at " +
                         std::to_string(line->baud));
        }
        line->baud = line->baud != 0 ? line->baud : baud;
        device.line = static_cast<std::size_t>(line - site.lines.begin());
        for (const std::size_t other : line->devices) {
            if (site.devices[other].address == device.address) {
                named.refuse("address " + std::to_string(device.address) + " on " + port + " is taken by \"" +
                             site.devices[other].name + "\"");
            }
        }
        line->devices.push_back(site.devices.size());
        site.devices.push_back(std::move(device));
    }
    return site;
}

Site read_site(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    const std::string text = read_input_file(path, "site document");
    try {
        return parse_site(text, slash == std::string::npos ? std::string() : path.substr(0, slash));
    } catch (const std::invalid_argument& error) {
        throw std::invalid_argument(path + ": " + error.what());
    }
}

}  // namespace plugin_host
