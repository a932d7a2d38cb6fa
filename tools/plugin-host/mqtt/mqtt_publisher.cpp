#include "tools/plugin-host/mqtt/mqtt_publisher.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <fstream>
#include <iostream>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>
#include <unordered_map>

#include <mosquitto.h>
#include <pthread.h>
#include <unistd.h>

#include "tools/plugin-host/mqtt/delivery_ledger.h"
#include "tools/plugin-host/mqtt/mqtt_messages.h"

namespace plugin_host {

namespace {

using steady = std::chrono::steady_clock;

// Records in flight (sent, not yet acknowledged), over all devices: under
// the 20 that a broker takes from a client at once by default (mosquitto
// drops a client that sends more QoS 2 messages than that unanswered).
constexpr int WINDOW = 16;
// Records sent a second at most, and at once after a quiet spell: a day's
// backlog of a device (43,200 records at two-second rounds) goes out in
// under a minute without flooding the broker.
constexpr double RATE = 1000;
constexpr double BURST = 100;
// Records a device's queue holds: with a history, the rest wait there.
constexpr std::size_t QUEUE_WITH_HISTORY = 64;
constexpr std::size_t QUEUE_WITHOUT_HISTORY = 1024;
constexpr auto FIRST_RETRY = std::chrono::seconds(1);
constexpr auto LAST_RETRY = std::chrono::seconds(60);
// How long a stop lets the broker take what is left, connected or on its
// way (the rest waits in the history for the next run).
constexpr auto DRAIN = std::chrono::seconds(2);
// How often the ledgers are written at QoS 1 (at QoS 2: at each
// acknowledgement): a crash sends again at most this much, which QoS 1
// allows, and a site of 64 devices writes 13 small files a second.
constexpr auto LEDGER_EVERY = std::chrono::seconds(5);
constexpr int KEEPALIVE_SECONDS = 30;

void say(const std::string& text) { std::cerr << "plugin-host run: mqtt: " << text << std::endl; }

std::string read_secret(const std::string& path)
{
    std::ifstream in(path);
    std::string secret;
    if (!in || !std::getline(in, secret)) {
        throw std::runtime_error("cannot read the MQTT password file " + path + ": " +
                                 (in ? "it is empty" : std::strerror(errno)));
    }
    return secret;
}

void check_readable(const std::string& path, const char* what)
{
    if (!path.empty() && ::access(path.c_str(), R_OK) != 0) {
        throw std::runtime_error(std::string("cannot read the MQTT ") + what + " " + path + ": " +
                                 std::strerror(errno));
    }
}

std::string default_client_id()
{
    char host[64] = {};
    ::gethostname(host, sizeof host - 1);
    return "plugin-host-" + topic_safe(host);
}

// The library's words for an error, as part of a sentence.
std::string library_error(int rc)
{
    std::string text = rc == MOSQ_ERR_ERRNO ? std::strerror(errno) : mosquitto_strerror(rc);
    if (!text.empty() && text.back() == '.') {
        text.pop_back();
    }
    if (!text.empty() && text[0] >= 'A' && text[0] <= 'Z' && (text.size() < 2 || text[1] >= 'a')) {
        text[0] = static_cast<char>(text[0] - 'A' + 'a');
    }
    return text;
}

bool same_alarms(const std::vector<SnapshotAlarm>& a, const std::vector<SnapshotAlarm>& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const SnapshotAlarm& x, const SnapshotAlarm& y) {
        return x.active == y.active && x.level == y.level && x.occurrence == y.occurrence && x.name == y.name;
    });
}

struct LibraryUse {
    LibraryUse() { mosquitto_lib_init(); }
    ~LibraryUse() { mosquitto_lib_cleanup(); }
};

}  // namespace

class MqttPublisher::Session {
public:
    explicit Session(const MqttSettings& settings);
    ~Session();

    std::shared_ptr<RecordFeed> join(MqttDevice given);
    void remove(const std::string& name);
    void start()
    {
        thread_ = std::thread([this] { run(); });
        pthread_setname_np(thread_.native_handle(), "mqtt");
    }

private:
    struct Device {
        MqttDevice given;
        std::string name;
        std::shared_ptr<RecordFeed> feed;
        std::unique_ptr<DeliveryLedger> ledger;  // none without a history
        std::uint64_t acknowledged = 0;          // every record up to this one
        std::uint64_t stored_acknowledged = 0;   // as the ledger holds it
        std::uint64_t next = 0;                  // the next to send
        bool ledger_due = false;                 // the ledger is written at the next chance
        std::set<std::uint64_t> in_flight;
        std::shared_ptr<const DeviceSnapshot> seen;
        std::string state_topic;
        std::string availability_sent, alarms_sent;
        std::vector<SnapshotAlarm> alarms_seen;  // those alarms_sent says
        unsigned long lost_said = 0;
        bool ledger_failed = false;
        bool announce = true;   // its discovery documents are due
        bool removed = false;   // it left the site: its retained documents go
    };
    using DevicePtr = std::shared_ptr<Device>;

    // The device's feed, numbered on from its ledger and history.
    void open_feed(Device& device);
    // Clears what the broker retains of a device that left the site.
    void retract(const Device& device);
    void announce(const Device& device);
    void run();
    void connect();
    void lose(const std::string& why);
    // What a failure of the library means, in a sentence.
    std::string failure_text(int rc) const;
    // Sends what is due: records within the window and rate, alarms and
    // availability that changed; keeps acknowledged numbers.
    void pump(bool stopping);
    void send_records(const DevicePtr& device);
    // Its availability and alarms, when they changed.
    void say_state(Device& device, const DeviceSnapshot& snapshot);
    void keep_ledgers(bool now);
    void keep_ledger(Device& device);
    bool send(const std::string& topic, const std::string& payload, int qos, bool retain, int* mid = nullptr);
    bool drained() const;
    // Sleeps `how_long` unless the stop comes first; false on a stop.
    bool sleep_for(steady::duration how_long);

    static void on_connect(struct mosquitto*, void* self, int rc);
    static void on_publish(struct mosquitto*, void* self, int mid);
    static void on_message(struct mosquitto*, void* self, const struct mosquitto_message* message);
    static void on_log(struct mosquitto*, void* self, int level, const char* text);

    LibraryUse library_;
    MqttSettings settings_;
    BrokerAddress broker_;
    std::string password_;
    std::string bridge_topic_;
    int qos_;
    // The devices, under devices_mutex_: the publisher's thread holds it for
    // a turn of its loop, join and remove for their change.
    std::mutex devices_mutex_;
    std::vector<DevicePtr> devices_;
    struct mosquitto* mosq_ = nullptr;
    bool connected_ = false;
    bool refused_ = false;   // the broker answered the connection with a refusal
    std::string last_error_;  // the library's last error line, for the message of a failed connection
    std::unordered_map<int, std::pair<DevicePtr, std::uint64_t>> flying_;  // message id: device, seq
    StoredRecord record_;   // the one being sent
    std::string payload_;   // its state document
    double tokens_ = BURST;
    steady::time_point refilled_ = steady::now();
    steady::time_point ledgers_kept_ = steady::now();
    std::size_t turn_ = 0;  // the device that sends first in the next pump
    bool outage_said_ = false;
    steady::time_point outage_since_{};
    std::mutex mutex_;
    std::condition_variable wake_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

MqttPublisher::Session::Session(const MqttSettings& settings)
    : settings_(settings), broker_(parse_broker_url(settings.url)), qos_(settings.qos != 0 ? settings.qos : 1)
{
    settings_.prefix = settings_.prefix.empty() ? "powersystem" : settings_.prefix;
    settings_.client_id = settings_.client_id.empty() ? default_client_id() : settings_.client_id;
    bridge_topic_ = bridge_availability_topic(settings_.prefix);
    if (!settings_.password_file.empty()) {
        password_ = read_secret(settings_.password_file);
    }
    check_readable(settings_.ca_file, "CA file");
    check_readable(settings_.cert_file, "client certificate");
    check_readable(settings_.key_file, "client key");
    if (broker_.tls && settings_.ca_file.empty()) {
        throw std::runtime_error(settings_.url + " is a TLS broker: give the CA file that signed its certificate "
                                                 "(--mqtt-ca-file, or \"ca_file\" in the site document's \"mqtt\")");
    }
    if (settings_.cert_file.empty() != settings_.key_file.empty()) {
        throw std::runtime_error("a client certificate for the broker needs its key, and a key its certificate");
    }
    say("publishing to " + settings_.url + " as " + settings_.client_id + " under " + settings_.prefix +
        "/DEVICE/{state,alarms,availability} at QoS " + std::to_string(qos_) + ", the tool's availability on " +
        bridge_topic_);
}

std::shared_ptr<RecordFeed> MqttPublisher::Session::join(MqttDevice given)
{
    const std::string name = given.snapshots->current()->identity->name;
    std::lock_guard<std::mutex> lock(devices_mutex_);
    const auto known = std::find_if(devices_.begin(), devices_.end(),
                                    [&name](const DevicePtr& device) { return device->name == name; });
    if (known != devices_.end()) {
        Device& device = **known;
        if (device.ledger && given.history && device.ledger->path() == given.state_file) {
            // Restarted with the same history: its numbers and what it sent go on.
            device.given = std::move(given);
            device.announce = true;
            device.removed = false;
            device.seen.reset();
            return device.feed;
        }
        keep_ledger(device);
        devices_.erase(known);
    }
    auto device = std::make_shared<Device>();
    device->name = name;
    device->state_topic = device_topic(settings_.prefix, name, "state");
    device->given = std::move(given);
    open_feed(*device);
    devices_.push_back(device);
    return device->feed;
}

void MqttPublisher::Session::remove(const std::string& name)
{
    std::lock_guard<std::mutex> lock(devices_mutex_);
    for (const DevicePtr& device : devices_) {
        if (device->name == name) {
            device->removed = true;
        }
    }
}

void MqttPublisher::Session::open_feed(Device& device)
{
    const std::string& name = device.name;
    if (!device.given.history) {
        const auto start_micros = std::chrono::duration_cast<std::chrono::microseconds>(
            std::chrono::system_clock::now().time_since_epoch());
        const auto newest = static_cast<std::uint64_t>(start_micros.count()) - 1;
        device.feed = std::make_shared<RecordFeed>(nullptr, QUEUE_WITHOUT_HISTORY, newest);
        say(name + " has no history file: only its new records are published, numbered from the start time in "
                   "microseconds; those an outage holds beyond " + std::to_string(QUEUE_WITHOUT_HISTORY) + " are lost");
        device.acknowledged = newest;
        device.stored_acknowledged = newest;
        device.next = newest + 1;
        return;
    }
    auto history = std::make_unique<DeviceHistory>(device.given.history);
    device.ledger = std::make_unique<DeliveryLedger>(device.given.state_file);
    const std::optional<LedgerState> kept = device.ledger->load();
    const std::uint64_t held = history->count();
    std::uint64_t newest = held;
    std::uint64_t acknowledged = held;
    if (!kept) {
        say(name + ": no record of this history was published before (" + device.ledger->path() + " is new): its " +
            std::to_string(held) + " stored records are not sent, new ones from seq " + std::to_string(held + 1));
    } else if (!kept->newest_file.empty() && ::access(kept->newest_file.c_str(), F_OK) == 0 &&
               records_in(kept->newest_file) < kept->newest_records) {
        newest = kept->stored + held;
        acknowledged = newest;
        say(name + ": " + kept->newest_file + " holds fewer records than " + device.ledger->path() +
            " says: the history was replaced; its records are not sent, new ones from seq " +
            std::to_string(newest + 1));
    } else {
        const DeviceHistory::Place anchor{kept->newest_file, kept->newest_records};
        newest = kept->stored + (kept->newest_file.empty() ? 0 : history->count(&anchor));
        acknowledged = kept->acknowledged;
        if (newest - acknowledged > held) {
            say(name + ": " + std::to_string(newest - acknowledged - held) +
                " records the broker never acknowledged are no longer in the history (files removed for their "
                "age): they are not sent");
            acknowledged = newest - held;
        }
        if (acknowledged < newest) {
            say(name + ": " + std::to_string(newest - acknowledged) +
                " stored records the broker has not acknowledged are sent first, from seq " +
                std::to_string(acknowledged + 1));
        }
    }
    history->number_back_from(newest);
    device.feed = std::make_shared<RecordFeed>(std::move(history), QUEUE_WITH_HISTORY, newest);
    device.acknowledged = acknowledged;
    device.next = acknowledged + 1;
    device.ledger_due = true;  // the numbers go on from here even if nothing is sent
}

MqttPublisher::Session::~Session()
{
    if (thread_.joinable()) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        wake_.notify_all();
        thread_.join();
    }
    if (mosq_ != nullptr) {
        mosquitto_destroy(mosq_);
    }
}

bool MqttPublisher::Session::sleep_for(steady::duration how_long)
{
    std::unique_lock<std::mutex> lock(mutex_);
    return !wake_.wait_for(lock, how_long, [this] { return stop_.load(); });
}

bool MqttPublisher::Session::drained() const
{
    return std::all_of(devices_.begin(), devices_.end(), [](const DevicePtr& device) {
        return device->in_flight.empty() && device->next > device->feed->newest();
    });
}

void MqttPublisher::Session::run()
{
    auto retry = std::chrono::duration_cast<steady::duration>(FIRST_RETRY);
    bool first_try = true;
    steady::time_point drain_until{};
    std::unique_lock<std::mutex> devices_lock(devices_mutex_, std::defer_lock);
    for (;;) {
        if (devices_lock.owns_lock()) {
            devices_lock.unlock();  // join and remove get their turn
        }
        devices_lock.lock();
        if (stop_ && drain_until == steady::time_point{}) {
            drain_until = steady::now() + DRAIN;
        }
        // At a stop, a session there or on its way gets until the deadline
        // to take what is left; without one, no more tries (but a first).
        if (stop_ && (drained() || steady::now() > drain_until || (mosq_ == nullptr && !first_try))) {
            break;
        }
        if (mosq_ == nullptr) {
            if (!first_try) {
                devices_lock.unlock();
                if (!sleep_for(retry)) {
                    break;
                }
                retry = std::min<steady::duration>(retry * 2, LAST_RETRY);
            }
            first_try = false;
            connect();
            continue;
        }
        const int rc = mosquitto_loop(mosq_, 100, 1);
        if (rc != MOSQ_ERR_SUCCESS || refused_) {
            lose(refused_ ? last_error_ : failure_text(rc));
            continue;
        }
        if (connected_) {
            retry = FIRST_RETRY;
            pump(stop_);
        }
    }
    if (!devices_lock.owns_lock()) {
        devices_lock.lock();
    }
    if (connected_) {
        send(bridge_topic_, "offline", 1, true);
        mosquitto_disconnect(mosq_);
        for (int i = 0; i < 10 && mosquitto_loop(mosq_, 50, 1) == MOSQ_ERR_SUCCESS; ++i) {
        }
    }
    keep_ledgers(true);
    std::uint64_t waiting = 0;
    std::uint64_t undelivered = 0;
    for (const DevicePtr& device : devices_) {
        (device->feed->has_history() ? waiting : undelivered) += device->feed->newest() - device->acknowledged;
    }
    if (waiting != 0) {
        say(std::to_string(waiting) + (waiting == 1 ? " record" : " records") +
            " not acknowledged by the broker wait in the history: the next run sends them first");
    }
    if (undelivered != 0) {
        say(std::to_string(undelivered) + (undelivered == 1 ? " record" : " records") +
            " of devices without a history file did not reach the broker, and are not kept");
    }
}

void MqttPublisher::Session::connect()
{
    mosq_ = mosquitto_new(settings_.client_id.c_str(), true, this);
    if (mosq_ == nullptr) {
        lose("cannot make a client: " + std::string(std::strerror(errno)));
        return;
    }
    refused_ = false;
    last_error_.clear();
    mosquitto_int_option(mosq_, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    mosquitto_max_inflight_messages_set(mosq_, WINDOW);
    mosquitto_connect_callback_set(mosq_, on_connect);
    mosquitto_publish_callback_set(mosq_, on_publish);
    mosquitto_message_callback_set(mosq_, on_message);
    mosquitto_log_callback_set(mosq_, on_log);
    mosquitto_will_set(mosq_, bridge_topic_.c_str(), 7, "offline", 1, true);
    if (!settings_.username.empty()) {
        mosquitto_username_pw_set(mosq_, settings_.username.c_str(),
                                  settings_.password_file.empty() ? nullptr : password_.c_str());
    }
    if (broker_.tls) {
        const int rc = mosquitto_tls_set(mosq_, settings_.ca_file.c_str(), nullptr,
                                         settings_.cert_file.empty() ? nullptr : settings_.cert_file.c_str(),
                                         settings_.key_file.empty() ? nullptr : settings_.key_file.c_str(), nullptr);
        if (rc != MOSQ_ERR_SUCCESS) {
            lose("the TLS files are refused (CA file " + settings_.ca_file + "): " + library_error(rc));
            return;
        }
    }
    const int rc = mosquitto_connect(mosq_, broker_.host.c_str(), broker_.port, KEEPALIVE_SECONDS);
    if (rc != MOSQ_ERR_SUCCESS) {
        lose(failure_text(rc));
    }
}

std::string MqttPublisher::Session::failure_text(int rc) const
{
    if (rc != MOSQ_ERR_TLS) {
        return library_error(rc);
    }
    return "the TLS handshake failed" + (last_error_.empty() ? "" : " (" + last_error_ + ")") +
           ": is the broker's certificate signed by the CA in " + settings_.ca_file + ", and issued for the name " +
           broker_.host + "?";
}

void MqttPublisher::Session::lose(const std::string& why)
{
    if (!outage_said_) {
        say((connected_ ? "lost the broker " : "cannot connect to ") + settings_.url + ": " + why +
            "; records wait in the history, and connecting is tried again after 1 s, then less often up to every " +
            std::to_string(LAST_RETRY.count()) + " s");
        outage_said_ = true;
        outage_since_ = steady::now();
    }
    if (mosq_ != nullptr) {
        mosquitto_destroy(mosq_);
        mosq_ = nullptr;
    }
    connected_ = false;
    flying_.clear();
    for (const DevicePtr& device : devices_) {
        device->in_flight.clear();
        device->next = device->acknowledged + 1;
    }
}

void MqttPublisher::Session::on_connect(struct mosquitto*, void* self, int rc)
{
    auto& session = *static_cast<Session*>(self);
    if (rc != 0) {
        session.refused_ = true;
        session.last_error_ = std::string("the broker refused the connection: ") + mosquitto_connack_string(rc);
        return;
    }
    session.connected_ = true;
    std::uint64_t held = 0;
    for (const DevicePtr& device : session.devices_) {
        held += device->feed->newest() - device->acknowledged;
    }
    if (session.outage_said_) {
        const auto seconds =
            std::chrono::duration_cast<std::chrono::seconds>(steady::now() - session.outage_since_).count();
        say("connected to " + session.settings_.url + " after " + std::to_string(seconds) + " s; sending " +
            std::to_string(held) + " records held in the meantime");
        session.outage_said_ = false;
    } else {
        say("connected to " + session.settings_.url);
    }
    session.send(session.bridge_topic_, "online", 1, true);
    mosquitto_subscribe(session.mosq_, nullptr, "homeassistant/status", 1);
    for (const DevicePtr& device : session.devices_) {
        // The broker may have lost what it retained: said again.
        device->announce = true;
        device->availability_sent.clear();
        device->alarms_sent.clear();
        device->seen.reset();
    }
}

void MqttPublisher::Session::announce(const Device& device)
{
    const auto snapshot = device.given.snapshots->current();
    for (const MqttMessage& message : discovery_messages(settings_.prefix, *snapshot->identity, device.given.levels)) {
        send(message.topic, message.payload, 1, message.retain);
    }
}

void MqttPublisher::Session::retract(const Device& device)
{
    const auto snapshot = device.given.snapshots->current();
    for (const MqttMessage& message : discovery_messages(settings_.prefix, *snapshot->identity, device.given.levels)) {
        send(message.topic, std::string(), 1, true);
    }
    for (const char* leaf : {"alarms", "availability"}) {
        send(device_topic(settings_.prefix, device.name, leaf), std::string(), 1, true);
    }
}

void MqttPublisher::Session::on_publish(struct mosquitto*, void* self, int mid)
{
    auto& session = *static_cast<Session*>(self);
    const auto flying = session.flying_.find(mid);
    if (flying == session.flying_.end()) {
        return;  // a retained document or the tool's availability
    }
    Device& device = *flying->second.first;
    device.in_flight.erase(flying->second.second);
    session.flying_.erase(flying);
    const std::uint64_t all_before = device.in_flight.empty() ? device.next - 1 : *device.in_flight.begin() - 1;
    if (all_before > device.acknowledged) {
        device.acknowledged = all_before;
        device.feed->acknowledged(all_before);
    }
}

void MqttPublisher::Session::on_message(struct mosquitto*, void* self, const struct mosquitto_message* message)
{
    auto& session = *static_cast<Session*>(self);
    const std::string payload(static_cast<const char*>(message->payload), static_cast<std::size_t>(message->payloadlen));
    if (std::strcmp(message->topic, "homeassistant/status") == 0 && payload == "online") {
        for (const DevicePtr& device : session.devices_) {
            device->announce = true;
        }
    }
}

void MqttPublisher::Session::on_log(struct mosquitto*, void* self, int level, const char* text)
{
    if (level == MOSQ_LOG_ERR) {
        static_cast<Session*>(self)->last_error_ = text;
    }
}

bool MqttPublisher::Session::send(const std::string& topic, const std::string& payload, int qos, bool retain, int* mid)
{
    return mosquitto_publish(mosq_, mid, topic.c_str(), static_cast<int>(payload.size()), payload.data(), qos,
                             retain) == MOSQ_ERR_SUCCESS;
}

void MqttPublisher::Session::pump(bool stopping)
{
    const auto now = steady::now();
    tokens_ = std::min(BURST, tokens_ + RATE * std::chrono::duration<double>(now - refilled_).count());
    refilled_ = now;
    for (auto at = devices_.begin(); at != devices_.end();) {
        if ((*at)->removed && (retract(**at), keep_ledger(**at), true)) {
            at = devices_.erase(at);
        } else {
            ++at;
        }
    }
    for (std::size_t k = 0; k < devices_.size(); ++k) {
        const DevicePtr& device = devices_[(turn_ + k) % devices_.size()];
        if (device->announce) {
            announce(*device);
            device->announce = false;
        }
        send_records(device);
        const auto snapshot = device->given.snapshots->current();
        if (snapshot != device->seen) {
            device->seen = snapshot;
            say_state(*device, *snapshot);
        }
    }
    turn_ = devices_.empty() ? 0 : (turn_ + 1) % devices_.size();
    keep_ledgers(stopping || qos_ == 2);
}

void MqttPublisher::Session::send_records(const DevicePtr& device)
{
    const std::uint64_t newest = device->feed->newest();
    while (static_cast<int>(flying_.size()) < WINDOW && tokens_ >= 1 && device->next <= newest) {
        if (!device->feed->take(device->next, record_)) {
            const unsigned long lost = device->feed->has_history() ? 1 : device->feed->lost();
            if (device->lost_said == 0) {
                say(device->name + ": record " + std::to_string(device->next) +
                    (device->feed->has_history() ? " cannot be read back from its history (its file removed for "
                                                   "its age?)"
                                                 : " did not fit in the queue while the broker was away") +
                    ": it is not sent, nor those after it that are gone too");
            }
            device->lost_said += lost;
            if (device->in_flight.empty() && device->next == device->acknowledged + 1) {
                device->acknowledged = device->next;  // nothing to wait for
            }
            ++device->next;
            continue;
        }
        state_payload(payload_, record_.data(), device->next);
        int mid = 0;
        if (!send(device->state_topic, payload_, qos_, false, &mid)) {
            return;  // the connection goes; the loop finds out
        }
        flying_[mid] = {device, device->next};
        device->in_flight.insert(device->next);
        ++device->next;
        tokens_ -= 1;
    }
}

void MqttPublisher::Session::say_state(Device& device, const DeviceSnapshot& snapshot)
{
    // Before its first round a device is neither: nothing is said.
    const bool polled =
        snapshot.up || snapshot.rounds_completed + snapshot.rounds_given_up != 0 || snapshot.reopen_attempts != 0;
    const char* availability = snapshot.up ? "online" : "offline";
    if (polled && device.availability_sent != availability &&
        send(device_topic(settings_.prefix, device.name, "availability"), availability, 1, true)) {
        device.availability_sent = availability;
    }
    if (!device.alarms_sent.empty() && same_alarms(snapshot.alarms, device.alarms_seen)) {
        return;
    }
    const std::string alarms = alarms_payload(snapshot.alarms, device.given.levels);
    if (alarms != device.alarms_sent && send(device_topic(settings_.prefix, device.name, "alarms"), alarms, 1, true)) {
        device.alarms_sent = alarms;
        device.alarms_seen = snapshot.alarms;
    }
}

void MqttPublisher::Session::keep_ledgers(bool now)
{
    if (!now && steady::now() - ledgers_kept_ < LEDGER_EVERY) {
        return;
    }
    ledgers_kept_ = steady::now();
    for (const DevicePtr& device : devices_) {
        keep_ledger(*device);
    }
}

void MqttPublisher::Session::keep_ledger(Device& device)
{
    // Only what the broker acknowledged needs writing: the records stored
    // since are counted again from the history at a restart.
    if (!device.ledger || (device.acknowledged == device.stored_acknowledged && !device.ledger_due)) {
        return;
    }
    LedgerState state;
    state.stored = device.feed->newest();
    state.acknowledged = device.acknowledged;
    const DeviceHistory::Place newest = device.feed->place_of(state.stored);
    state.newest_file = newest.file;
    state.newest_records = newest.records;
    if (device.ledger->store(state)) {
        device.stored_acknowledged = device.acknowledged;
        device.ledger_due = false;
        device.ledger_failed = false;
    } else if (!device.ledger_failed) {
        say("cannot write " + device.ledger->path() + " (" + std::strerror(errno) +
            "): after a restart, records the broker already has are sent again");
        device.ledger_failed = true;
    }
}

MqttPublisher::MqttPublisher(const MqttSettings& settings) : session_(std::make_unique<Session>(settings)) {}

MqttPublisher::~MqttPublisher() = default;

std::shared_ptr<RecordFeed> MqttPublisher::join(MqttDevice device) { return session_->join(std::move(device)); }

void MqttPublisher::remove(const std::string& name) { session_->remove(name); }

void MqttPublisher::start() { session_->start(); }

std::vector<int> alarm_levels_of(const Json::Value& device_config)
{
    std::set<int> levels;
    const Json::Value& given = device_config["host"]["levels"];
    if (given.isObject()) {
        for (const std::string& id : given.getMemberNames()) {
            if (given[id].isInt() && given[id].asInt() != 0) {
                levels.insert(given[id].asInt());
            }
        }
    }
    if (levels.empty()) {
        levels.insert(1);
    }
    return {levels.begin(), levels.end()};
}

}  // namespace plugin_host
