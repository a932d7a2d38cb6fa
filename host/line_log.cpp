#include "host/line_log.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <iostream>
#include <utility>

#include <sys/stat.h>
#include <syslog.h>
#include <unistd.h>

LineLog::LineLog(Sink sink, Clock clock) : sink_(std::move(sink)), clock_(std::move(clock)) {}

LineLog::~LineLog() { flush(true); }

void LineLog::fault(const std::string& port, const std::string& kind, const std::string& text)
{
    const auto now = clock_();
    const std::string key = port + '\n' + kind;
    auto found = repeats_.find(key);
    if (found != repeats_.end() && now - found->second.since < WINDOW) {
        ++found->second.count;
        return;
    }
    if (found != repeats_.end()) {
        summarise(kind, found->second);
    }
    repeats_[key] = Repeats{now, port, 0};
    sink_(Severity::warning, port + ": " + text);
}

void LineLog::say(Severity severity, const std::string& port, const std::string& text)
{
    sink_(severity, port + ": " + text);
}

void LineLog::flush(bool all)
{
    const auto now = clock_();
    for (auto it = repeats_.begin(); it != repeats_.end();) {
        if (all || now - it->second.since >= WINDOW) {
            summarise(it->first.substr(it->first.find('\n') + 1), it->second);
            it = repeats_.erase(it);
        } else {
            ++it;
        }
    }
}

void LineLog::summarise(const std::string& kind, Repeats& repeats)
{
    if (repeats.count > 0) {
        sink_(Severity::warning, repeats.port + ": " + kind + ": " + std::to_string(repeats.count) +
                                     " more like this in the last minute");
    }
    repeats.count = 0;
}

LineLog::Sink stderr_sink()
{
    return [](Severity, const std::string& line) {
        // The wall clock, not time(): a test or --fast may move the device's.
        timespec wall{};
        ::clock_gettime(CLOCK_REALTIME, &wall);
        const std::time_t now = wall.tv_sec;
        std::tm local{};
        localtime_r(&now, &local);
        char stamp[32];
        std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
        std::cerr << stamp << ' ' << line << std::endl;
    };
}

bool stderr_is_journal()
{
    // systemd sets JOURNAL_STREAM to "DEVICE:INODE" of the stream it
    // connected; it counts only while standard error is still that stream.
    const char* stream = std::getenv("JOURNAL_STREAM");
    struct stat error_stream {};
    if (stream == nullptr || ::fstat(STDERR_FILENO, &error_stream) != 0) {
        return false;
    }
    unsigned long long device = 0;
    unsigned long long inode = 0;
    return std::sscanf(stream, "%llu:%llu", &device, &inode) == 2 &&
           device == static_cast<unsigned long long>(error_stream.st_dev) &&
           inode == static_cast<unsigned long long>(error_stream.st_ino);
}

LineLog::Sink journal_sink()
{
    return [](Severity severity, const std::string& line) {
        // The journal stamps each line itself and reads its priority from
        // the <N> prefix (sd-daemon.h's SD_ERR, SD_WARNING, SD_NOTICE).
        const char* priority = severity == Severity::error     ? "<3>"
                               : severity == Severity::warning ? "<4>"
                                                               : "<5>";
        std::cerr << priority << line << std::endl;
    };
}

LineLog::Sink syslog_sink()
{
    ::openlog("plugin-host", LOG_PID, LOG_DAEMON);
    return [](Severity severity, const std::string& line) {
        const int level = severity == Severity::error     ? LOG_ERR
                          : severity == Severity::warning ? LOG_WARNING
                                                          : LOG_NOTICE;
        ::syslog(level, "%s", line.c_str());
    };
}
