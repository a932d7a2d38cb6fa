#include "tools/plugin-host/mqtt/mqtt_settings.h"

#include <stdexcept>

#include "tools/plugin-host/common/json_members.h"

namespace plugin_host {

namespace {

const std::string& either(const std::string& given, const std::string& under) { return given.empty() ? under : given; }

}  // namespace

MqttSettings MqttSettings::over(const MqttSettings& under) const
{
    MqttSettings both;
    both.url = either(url, under.url);
    both.client_id = either(client_id, under.client_id);
    both.prefix = either(prefix, under.prefix);
    both.username = either(username, under.username);
    both.password_file = either(password_file, under.password_file);
    both.ca_file = either(ca_file, under.ca_file);
    both.cert_file = either(cert_file, under.cert_file);
    both.key_file = either(key_file, under.key_file);
    both.qos = qos != 0 ? qos : under.qos;
    return both;
}

BrokerAddress parse_broker_url(const std::string& url)
{
    BrokerAddress broker;
    std::string rest;
    if (url.compare(0, 7, "mqtt://") == 0) {
        rest = url.substr(7);
    } else if (url.compare(0, 8, "mqtts://") == 0) {
        rest = url.substr(8);
        broker.tls = true;
        broker.port = 8883;
    } else {
        throw std::invalid_argument("\"" + url + "\" is not mqtt://HOST:PORT or mqtts://HOST:PORT");
    }
    if (!rest.empty() && rest.back() == '/') {
        rest.pop_back();
    }
    const std::size_t colon = rest.rfind(':');
    const bool bracketed = !rest.empty() && rest.front() == '[';
    if (colon != std::string::npos && (!bracketed || rest.find(']') < colon)) {
        const std::string port = rest.substr(colon + 1);
        if (port.empty() || port.size() > 5 || port.find_first_not_of("0123456789") != std::string::npos ||
            std::stoi(port) < 1 || std::stoi(port) > 65535) {
            throw std::invalid_argument("\"" + url + "\": the port must be a number from 1 to 65535");
        }
        broker.port = std::stoi(port);
        rest.erase(colon);
    }
    if (bracketed && rest.size() > 2 && rest.back() == ']') {
        rest = rest.substr(1, rest.size() - 2);
    }
    if (rest.empty() || rest.find_first_of("/@ ") != std::string::npos) {
        throw std::invalid_argument("\"" + url + "\" names no broker host");
    }
    broker.host = rest;
    return broker;
}

MqttSettings read_mqtt_settings(const Json::Value& object, const std::string& file, const std::string& folder)
{
    JsonMembers members(object, file, "mqtt");
    const auto in_folder = [&folder](const std::optional<std::string>& name) {
        return !name || name->empty() || (*name)[0] == '/' || folder.empty() ? name.value_or("")
                                                                             : folder + "/" + *name;
    };
    MqttSettings settings;
    settings.url = members.name("url").value_or("");
    if (settings.url.empty()) {
        members.refuse("url", "is required: mqtt://HOST:PORT or mqtts://HOST:PORT");
    }
    try {
        parse_broker_url(settings.url);
    } catch (const std::invalid_argument& error) {
        members.refuse("url", error.what());
    }
    settings.client_id = members.name("client_id").value_or("");
    settings.prefix = members.name("prefix").value_or("");
    if (settings.prefix.find_first_of("+#") != std::string::npos) {
        members.refuse("prefix", "may not hold the wildcards + or #");
    }
    settings.username = members.name("username").value_or("");
    settings.password_file = in_folder(members.name("password_file"));
    settings.ca_file = in_folder(members.name("ca_file"));
    settings.cert_file = in_folder(members.name("cert_file"));
    settings.key_file = in_folder(members.name("key_file"));
    settings.qos = static_cast<int>(members.integer("qos", 1, 2).value_or(0));
    members.check_no_others();
    return settings;
}

}  // namespace plugin_host
