// plugin-host run over thousands of rounds against the simulator, with a line
// fault every few rounds, a round given up now and then (rarely: each silent
// reply costs a whole timeout, kept long enough for a busy machine), and the mains and a
// rectifier module failing and recovering on a schedule. What a site relies
// on must hold to the end: every round numbered once, the history a whole
// record per completed round and each record the one its round reported,
// the alarms and module states following the scripted conditions.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include <sys/wait.h>

#include <gtest/gtest.h>
#include <json/reader.h>
#include <json/value.h>

#include "protocol419/record.h"

namespace {

constexpr int ROUNDS = 3000;
constexpr int CYCLE = 60;  // the conditions repeat every CYCLE rounds
const char* const OUTAGE_ALARM = "001#48V直流系统交流输入停电告警";

bool mains_failed(int round) { return round % CYCLE >= 10 && round % CYCLE < 20; }
bool module_2_faulty(int round) { return round % CYCLE >= 30 && round % CYCLE < 40; }
bool given_up(int round) { return round % 997 == 500; }

std::string soak_script()
{
    static const char* const faults[] = {"garbled-frame", "bad-checksum", "error-rtn"};
    std::string script;
    for (int round = 1; round <= ROUNDS; ++round) {
        const std::string at = std::to_string(round) + " ";
        if (mains_failed(round) != mains_failed(round - 1)) {
            script += at + (mains_failed(round) ? "mains-failure\n" : "mains-restore\n");
        }
        if (module_2_faulty(round) != module_2_faulty(round - 1)) {
            script += at + (module_2_faulty(round) ? "module-fault 2\n" : "module-recover 2\n");
        }
        if (given_up(round)) {
            script += at + "no-reply 3\n";
        } else if (round % 307 == 150) {
            script += at + "no-reply\n";
        } else if (round % 7 == 3) {
            script += at + faults[(round / 7) % 3] + "\n";
        }
    }
    return script;
}

std::vector<qorv52_419_Data_t> read_history(const std::string& path, std::size_t& bytes)
{
    std::ifstream file(path, std::ios::binary);
    const std::string all((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    bytes = all.size();
    std::vector<qorv52_419_Data_t> records(all.size() / sizeof(qorv52_419_Data_t));
    std::memcpy(records.data(), all.data(), records.size() * sizeof(qorv52_419_Data_t));
    return records;
}

float as_float(const Json::Value& value) { return static_cast<float>(value.asDouble()); }

}  // namespace

TEST(RunSoak, ThousandsOfRoundsWithLineFaultsKeepRoundsRecordsAndAlarmsStraight)
{
    // A folder of its own: two checkouts' soak runs on one machine must not
    // share (and lock each other out of) one history file.
    std::string pattern = ::testing::TempDir() + "run_soak_XXXXXX";
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    const std::string dir = pattern + "/";
    const std::string script = dir + "soak_script.txt", history = dir + "soak_history.bin",
                      errors = dir + "soak_stderr.txt";
    std::ofstream(script) << soak_script();
    std::remove(history.c_str());
    const std::string command = std::string(QORV_PLUGIN_HOST) + " run --fast --json --timeout 400 --rounds " +
                                std::to_string(ROUNDS) + " --script " + script + " --history " + history +
                                " 2>" + errors;
    FILE* output = ::popen(command.c_str(), "r");
    ASSERT_NE(output, nullptr);
    std::vector<Json::Value> rounds;
    char line[1 << 16];
    Json::CharReaderBuilder builder;
    const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    while (std::fgets(line, sizeof line, output) != nullptr) {
        Json::Value round;
        std::string problem;
        ASSERT_TRUE(reader->parse(line, line + std::strlen(line), &round, &problem)) << problem << ": " << line;
        rounds.push_back(round);
    }
    const int status = ::pclose(output);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status << ", see " << errors;
    ASSERT_EQ(rounds.size(), static_cast<std::size_t>(ROUNDS));

    std::size_t bytes = 0;
    const std::vector<qorv52_419_Data_t> records = read_history(history, bytes);
    std::size_t record = 0;
    std::set<std::string> active;
    for (int n = 1; n <= ROUNDS; ++n) {
        const Json::Value& round = rounds[static_cast<std::size_t>(n - 1)];
        SCOPED_TRACE("round " + std::to_string(n));
        ASSERT_EQ(round["round"].asInt(), n);
        // Only the scripted give-ups are lost: the simulator numbers rounds as the host does.
        ASSERT_EQ(round["completed"].asBool(), !given_up(n)) << round["faults"].asInt() << " faults";
        if (!round["completed"].asBool()) {
            continue;
        }
        ASSERT_LT(record, records.size());
        const qorv52_419_Data_t& r = records[record++];
        EXPECT_EQ(as_float(round["ac"][0]["a"]), r.ac.acChannel[0].a.get());
        EXPECT_EQ(as_float(round["rectifier"]["out_v"]), r.rc.out_v.get());
        EXPECT_EQ(as_float(round["rectifier"]["modules"][0]["current"]), r.rc.rcChannel[0].current.get());
        EXPECT_EQ(as_float(round["dc"][0]["out_v"]), r.dc.out_v.get());
        EXPECT_EQ(as_float(round["dc"][0]["out_i"]), r.dc.out_i.get());
        for (const Json::Value& alarm : round["alarms"]["raised"]) {
            active.insert(alarm["name"].asString());
        }
        for (const Json::Value& alarm : round["alarms"]["cleared"]) {
            active.erase(alarm["name"].asString());
        }
        ASSERT_EQ(active.count(OUTAGE_ALARM) == 1, mains_failed(n));
        ASSERT_EQ(round["rectifier"]["modules"][1]["fault"].asBool(), module_2_faulty(n));
        ASSERT_EQ(r.ac.acChannel[0].a.get() == 0.0f, mains_failed(n));
    }
    EXPECT_EQ(record, records.size());
    EXPECT_EQ(bytes, records.size() * sizeof(qorv52_419_Data_t));
    if (!::testing::Test::HasFailure()) {
        std::filesystem::remove_all(pattern);
    }
}
