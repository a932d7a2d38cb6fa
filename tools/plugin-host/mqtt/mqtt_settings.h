// Where and how a run publishes to an MQTT broker: the broker's URL
// (mqtt://HOST:PORT, or mqtts://HOST:PORT for TLS), the client id, the topic
// prefix, the user and the file holding the password (never the password
// itself: a command line is seen by every user of the machine), the files of
// TLS, and the QoS of the records. Given by --mqtt and its options, or by
// "mqtt" in a site document; the command line wins member by member.
#pragma once

#include <string>

#include <json/value.h>

namespace plugin_host {

struct MqttSettings {
    std::string url;  // empty: no publishing
    std::string client_id;  // empty: plugin-host-HOSTNAME
    std::string prefix;     // empty: powersystem
    std::string username;
    std::string password_file;
    std::string ca_file;
    std::string cert_file;
    std::string key_file;
    int qos = 0;  // 0: not given (1)

    bool enabled() const { return !url.empty(); }
    // Members given here, over those of `under`.
    MqttSettings over(const MqttSettings& under) const;
};

struct BrokerAddress {
    std::string host;
    int port = 1883;
    bool tls = false;
};

// "mqtt://HOST[:PORT]" (port 1883) or "mqtts://HOST[:PORT]" (port 8883).
// Throws std::invalid_argument naming what is wrong.
BrokerAddress parse_broker_url(const std::string& url);

// The "mqtt" object of a site document; relative file names are taken from
// `folder`. Throws DocumentError naming the file and the member.
MqttSettings read_mqtt_settings(const Json::Value& object, const std::string& file, const std::string& folder);

}  // namespace plugin_host
