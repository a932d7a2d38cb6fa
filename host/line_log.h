// Messages about a line, written for a person reading them at night: one line
// per fault, with the time and the port. A fault that keeps coming back is
// said once and then summarised ("... 57 more like this in the last minute")
// instead of one line per attempt. Where the lines go is a sink: standard
// error, or syslog for a daemon without a terminal.
#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <string>

#include "host/host_api.h"

enum class Severity { notice, warning, error };

class HOST_API LineLog {
public:
    using Sink = std::function<void(Severity, const std::string& line)>;
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    // How long repeats of one fault are counted before they are summarised.
    static constexpr std::chrono::seconds WINDOW{60};

    explicit LineLog(Sink sink, Clock clock = std::chrono::steady_clock::now);
    LineLog(const LineLog&) = delete;
    LineLog& operator=(const LineLog&) = delete;
    ~LineLog();

    // A fault of the kind `kind` (the same text each time it recurs) on
    // `port`; `text` is the full line. Said when it is the first of its kind
    // in a minute, counted otherwise.
    void fault(const std::string& port, const std::string& kind, const std::string& text);
    // Said every time: a line lost or back, a stop.
    void say(Severity severity, const std::string& port, const std::string& text);
    // Summarises the repeats of every fault whose minute is over; with
    // `all`, of every fault that has repeats, minute over or not.
    void flush(bool all = false);

private:
    struct Repeats {
        std::chrono::steady_clock::time_point since;
        std::string port;
        unsigned count = 0;
    };
    void summarise(const std::string& kind, Repeats& repeats);

    Sink sink_;
    Clock clock_;
    std::map<std::string, Repeats> repeats_;  // by port and kind
};

// Writes "2026-12-08 03:12:45 line" to standard error, in local time.
HOST_API LineLog::Sink stderr_sink();
// Standard error is the journal's stream (systemd's JOURNAL_STREAM).
HOST_API bool stderr_is_journal();
// Writes "<3>line" to standard error, the priority of its severity first:
// err for a lost line, warning for a fault, notice for a line back.
HOST_API LineLog::Sink journal_sink();
// Sends each line to syslog(3) with the ident plugin-host, facility daemon,
// at the level of its severity.
HOST_API LineLog::Sink syslog_sink();
