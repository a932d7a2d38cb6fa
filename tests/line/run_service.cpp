// plugin-host run as systemd runs it: a notify socket listens as the service
// manager does, and the run says when it is ready, its state, that it is
// alive (and stops saying so when one line's thread is held), reloading and
// stopping. A reload while polling keeps, adds, removes and restarts devices
// without a gap for the one it keeps.
#include <chrono>
#include <cstddef>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/ptrace.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "protocol419/record.h"
#include "protocol419/round_time.h"

namespace {

using steady = std::chrono::steady_clock;

struct Message {
    steady::time_point at;
    std::string text;
};

// A folder of the test's own, removed when the test passes.
struct Folder {
    std::string path;
    Folder()
    {
        std::string pattern = ::testing::TempDir() + "run_service_XXXXXX";
        if (::mkdtemp(pattern.data()) != nullptr) {
            path = pattern + "/";
        }
    }
    ~Folder()
    {
        if (!::testing::Test::HasFailure() && !path.empty()) {
            std::filesystem::remove_all(path);
        }
    }
};

// The service manager's end of NOTIFY_SOCKET: a datagram socket.
class NotifyListener {
public:
    explicit NotifyListener(const std::string& path) : path_(path)
    {
        fd_ = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
        ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    }
    ~NotifyListener() { ::close(fd_); }

    // Collects messages until one contains `text` or `within` has passed.
    bool wait_for(const std::string& text, std::chrono::milliseconds within)
    {
        const auto deadline = steady::now() + within;
        for (;;) {
            for (std::size_t i = seen_; i < messages.size(); ++i) {
                if (messages[i].text.find(text) != std::string::npos) {
                    seen_ = i + 1;
                    return true;
                }
            }
            seen_ = messages.size();
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - steady::now());
            if (left.count() <= 0 || !receive(left)) {
                return false;
            }
        }
    }
    // Collects for `duration`.
    void listen(std::chrono::milliseconds duration)
    {
        const auto deadline = steady::now() + duration;
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - steady::now());
            if (left.count() <= 0) {
                return;
            }
            receive(left);
        }
    }
    std::size_t count(const std::string& text, steady::time_point from, steady::time_point to) const
    {
        std::size_t n = 0;
        for (const Message& message : messages) {
            n += message.at >= from && message.at < to && message.text.find(text) != std::string::npos ? 1U : 0U;
        }
        return n;
    }

    std::vector<Message> messages;

private:
    bool receive(std::chrono::milliseconds within)
    {
        pollfd ready{fd_, POLLIN, 0};
        if (::poll(&ready, 1, static_cast<int>(within.count())) <= 0) {
            return false;
        }
        char buffer[4096];
        const ssize_t got = ::recv(fd_, buffer, sizeof buffer, 0);
        if (got > 0) {
            messages.push_back({steady::now(), std::string(buffer, static_cast<std::size_t>(got))});
        }
        return true;
    }

    std::string path_;
    int fd_ = -1;
    std::size_t seen_ = 0;
};

// plugin-host run in a process of its own, with the environment systemd
// gives a notify service.
class ToolRun {
public:
    ToolRun(const std::vector<std::string>& arguments, const std::string& notify_socket, const std::string& watchdog_usec,
        const std::string& errors)
    {
        pid_ = ::fork();
        if (pid_ == 0) {
            ::setenv("NOTIFY_SOCKET", notify_socket.c_str(), 1);
            if (!watchdog_usec.empty()) {
                ::setenv("WATCHDOG_USEC", watchdog_usec.c_str(), 1);
                ::setenv("WATCHDOG_PID", std::to_string(::getpid()).c_str(), 1);
            }
            const int out = ::open("/dev/null", O_WRONLY);
            const int err = ::open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            ::dup2(out, STDOUT_FILENO);
            ::dup2(err, STDERR_FILENO);
            std::vector<char*> argv{const_cast<char*>(QORV_PLUGIN_HOST)};
            for (const std::string& argument : arguments) {
                argv.push_back(const_cast<char*>(argument.c_str()));
            }
            argv.push_back(nullptr);
            ::execv(QORV_PLUGIN_HOST, argv.data());
            ::_exit(127);
        }
    }
    ~ToolRun()
    {
        if (pid_ > 0 && !waited_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    void signal(int number) const { ::kill(pid_, number); }
    int wait()
    {
        int status = 0;
        ::waitpid(pid_, &status, 0);
        waited_ = true;
        return status;
    }
    // The thread named `name` (as /proc shows it), if there is one.
    std::optional<pid_t> thread(const std::string& name) const
    {
        const std::string tasks = "/proc/" + std::to_string(pid_) + "/task";
        for (const auto& task : std::filesystem::directory_iterator(tasks)) {
            std::ifstream comm(task.path() / "comm");
            std::string line;
            std::getline(comm, line);
            if (line == name) {
                return static_cast<pid_t>(std::stol(task.path().filename().string()));
            }
        }
        return std::nullopt;
    }

private:
    pid_t pid_ = -1;
    bool waited_ = false;
};

std::string read_all(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

}  // namespace

TEST(RunService, ReadyStatusWatchdogThatStopsForAHeldLineReloadingAndStopping)
{
    Folder folder;
    ASSERT_FALSE(folder.path.empty());
    // An interval of 1 s: a line's thread waiting for its next turn counts
    // as alive until that turn is a watchdog period overdue, so holding it
    // shows within two seconds.
    std::ofstream(folder.path + "site.json") << R"({"devices": [
      {"name": "east-1", "simulator": {"bus": "east"}, "address": 1, "interval": 1},
      {"name": "east-2", "simulator": {"bus": "east"}, "address": 2, "interval": 1},
      {"name": "west-1", "simulator": {"bus": "west"}, "address": 1, "interval": 1}]})";
    NotifyListener manager(folder.path + "notify");
    const std::string errors = folder.path + "stderr.txt";
    // A watchdog period of 1 s: keep-alives every half of it.
    ToolRun run({"run", "--site", folder.path + "site.json"}, folder.path + "notify", "1000000", errors);

    ASSERT_TRUE(manager.wait_for("READY=1", std::chrono::seconds(10))) << read_all(errors);
    ASSERT_TRUE(manager.wait_for("STATUS=3 devices: 3 polling", std::chrono::seconds(5))) << read_all(errors);
    const auto alive_from = steady::now();
    manager.listen(std::chrono::milliseconds(2000));
    const std::size_t pings = manager.count("WATCHDOG=1", alive_from, steady::now());
    EXPECT_GE(pings, 3u) << "every half second while all lines move";
    EXPECT_LE(pings, 6u);

    // One line's thread held in the middle of whatever it does, as if stuck
    // in a call: the keep-alives stop; let go, they come back.
    const std::optional<pid_t> west = run.thread("line west");
    ASSERT_TRUE(west.has_value());
    ASSERT_EQ(::ptrace(PTRACE_SEIZE, *west, nullptr, nullptr), 0) << std::strerror(errno);
    ASSERT_EQ(::ptrace(PTRACE_INTERRUPT, *west, nullptr, nullptr), 0) << std::strerror(errno);
    const auto held_from = steady::now();
    manager.listen(std::chrono::milliseconds(4500));
    // Pings may go on until the held thread's next turn is a watchdog period
    // overdue: at most the interval and the period, 2 s.
    EXPECT_EQ(manager.count("WATCHDOG=1", held_from + std::chrono::milliseconds(2600), steady::now()), 0u);
    ::ptrace(PTRACE_DETACH, *west, nullptr, nullptr);
    EXPECT_TRUE(manager.wait_for("WATCHDOG=1", std::chrono::seconds(3)));

    run.signal(SIGHUP);
    EXPECT_TRUE(manager.wait_for("RELOADING=1", std::chrono::seconds(3)));
    EXPECT_TRUE(manager.wait_for("READY=1", std::chrono::seconds(3)));
    run.signal(SIGTERM);
    EXPECT_TRUE(manager.wait_for("STOPPING=1", std::chrono::seconds(3)));
    const int status = run.wait();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status << "\n" << read_all(errors);
}

TEST(RunService, AReloadKeepsAddsRemovesAndRestartsDevicesWithoutAGapForTheKeptOne)
{
    Folder folder;
    ASSERT_FALSE(folder.path.empty());
    const std::string site = folder.path + "site.json";
    std::ofstream(site) << R"({"devices": [
      {"name": "keep", "simulator": {"bus": "a"}, "address": 1, "history": "keep.bin"},
      {"name": "gone", "simulator": {"bus": "a"}, "address": 2, "history": "gone.bin"},
      {"name": "change", "simulator": {"bus": "b"}, "address": 1, "history": "change.bin"}]})";
    NotifyListener manager(folder.path + "notify");
    const std::string errors = folder.path + "stderr.txt";
    ToolRun run({"run", "--site", site}, folder.path + "notify", "", errors);
    ASSERT_TRUE(manager.wait_for("READY=1", std::chrono::seconds(10))) << read_all(errors);
    std::this_thread::sleep_for(std::chrono::milliseconds(3000));

    std::ofstream(site, std::ios::trunc) << R"({"devices": [
      {"name": "keep", "simulator": {"bus": "a"}, "address": 1, "history": "keep.bin"},
      {"name": "new", "simulator": {"bus": "c"}, "address": 3, "history": "new.bin"},
      {"name": "change", "simulator": {"bus": "b"}, "address": 1, "history": "change.bin", "interval": 3}]})";
    run.signal(SIGHUP);
    ASSERT_TRUE(manager.wait_for("READY=1", std::chrono::seconds(10)));
    std::this_thread::sleep_for(std::chrono::milliseconds(3000));
    // A broken document leaves the site as it is.
    std::ofstream(site, std::ios::trunc) << R"({"devices": [)";
    run.signal(SIGHUP);
    ASSERT_TRUE(manager.wait_for("READY=1", std::chrono::seconds(10)));
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    run.signal(SIGTERM);
    const int status = run.wait();
    const std::string said = read_all(errors);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << said;
    EXPECT_NE(said.find("reloaded " + site + ": 1 kept, 1 added, 1 removed, 1 restarted"), std::string::npos)
        << said;
    EXPECT_NE(said.find("reload refused, the site goes on as it was: " + site), std::string::npos) << said;

    // The kept device: a record every 2 s, none twice, no gap.
    const std::string kept = read_all(folder.path + "keep.bin");
    ASSERT_EQ(kept.size() % sizeof(qorv52_419_Data_t), 0u);
    const std::size_t records = kept.size() / sizeof(qorv52_419_Data_t);
    EXPECT_GE(records, 4u);
    long long previous = 0;
    for (std::size_t i = 0; i < records; ++i) {
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(kept.data() + i * sizeof(qorv52_419_Data_t));
        const protocol419::round_time time =
            protocol419::decode_round_time(bytes + offsetof(qorv52_419_Data_t, round_time));
        ASSERT_TRUE(time.calendar_date()) << "record " << i;
        const long long at = time.seconds_since_1970();
        if (i != 0) {
            EXPECT_GT(at, previous) << "record " << i << " twice";
            EXPECT_LE(at - previous, 3) << "a gap before record " << i;
        }
        previous = at;
    }
    // The removed device's history ends, the added one's begins.
    EXPECT_FALSE(read_all(folder.path + "gone.bin").empty());
    EXPECT_FALSE(read_all(folder.path + "new.bin").empty());
}
