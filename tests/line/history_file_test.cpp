// The history file holds whole records only, whatever the disk does: a torn
// tail is cut on open, a record that does not fit is taken back out, and a
// second writer is refused. A history name may carry the device's date: the
// files it gives, and those it owns, which old days may be removed.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <sys/resource.h>

#include "protocol419/record.h"
#include "tools/plugin-host/run/dated_history.h"
#include "tools/plugin-host/run/history_file.h"
#include "tools/plugin-host/run/history_name.h"

namespace {

constexpr std::size_t RECORD = 1003;

std::string file_bytes(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

struct History {
    std::string path = ::testing::TempDir() + "history_file_test.bin";
    std::vector<std::string> said;
    History() { std::remove(path.c_str()); }
    ~History() { std::remove(path.c_str()); }
    plugin_host::HistoryFile::Say say()
    {
        return [this](const std::string& text) { said.push_back(text); };
    }
};

}  // namespace

TEST(HistoryFile, ATornTailIsCutBackToTheLastWholeRecordOnOpen)
{
    History history;
    std::ofstream(history.path, std::ios::binary) << std::string(2 * RECORD + 500, 'x');
    plugin_host::HistoryFile file(history.path, RECORD, history.say());
    ASSERT_EQ(history.said.size(), 1u);
    EXPECT_NE(history.said[0].find("dropped a torn tail of 500 bytes"), std::string::npos) << history.said[0];
    const std::vector<unsigned char> record(RECORD, 0x42);
    ASSERT_TRUE(file.append(record.data()));
    const std::string bytes = file_bytes(history.path);
    ASSERT_EQ(bytes.size(), 3 * RECORD);
    EXPECT_EQ(bytes[2 * RECORD], 0x42);
}

TEST(HistoryFile, ARecordThatDoesNotFitIsTakenOutAndTheNextIsTriedAgain)
{
    History history;
    plugin_host::HistoryFile file(history.path, RECORD, history.say());
    const std::vector<unsigned char> record(RECORD, 0x42);
    // A file size limit fails a write as a full disk does: part of the
    // record goes in, then the write is refused.
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 2 * RECORD + 300;
    setrlimit(RLIMIT_FSIZE, &small);
    const bool results[] = {file.append(record.data()), file.append(record.data()), file.append(record.data()),
                            file.append(record.data())};
    const std::size_t full_size = file_bytes(history.path).size();
    setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_TRUE(results[0] && results[1]);
    EXPECT_FALSE(results[2] || results[3]);
    EXPECT_EQ(full_size, 2 * RECORD);
    EXPECT_EQ(file.lost(), 2u);
    ASSERT_EQ(history.said.size(), 1u) << "said once, not per record";
    EXPECT_NE(history.said[0].find("cannot append to the history file"), std::string::npos);

    ASSERT_TRUE(file.append(record.data()));
    EXPECT_EQ(file_bytes(history.path).size(), 3 * RECORD);
    ASSERT_EQ(history.said.size(), 2u);
    EXPECT_NE(history.said[1].find("2 records were not written"), std::string::npos) << history.said[1];
}

TEST(HistoryFile, ASecondWriterIsRefused)
{
    History history;
    plugin_host::HistoryFile first(history.path, RECORD, history.say());
    EXPECT_THROW(plugin_host::HistoryFile(history.path, RECORD, history.say()), std::runtime_error);
}

TEST(HistoryName, GivesTheFileOfADayAndKnowsOnlyItsOwnDayFiles)
{
    const protocol419::round_time day{2026, 3, 1, 23, 59, 58};
    EXPECT_EQ(plugin_host::HistoryName("hist/%Y-%m-%d.bin").for_day(day), "hist/2026-03-01.bin");
    EXPECT_EQ(plugin_host::HistoryName("/a%b/100%%-%d%m.bin").for_day(day), "/a%b/100%-0103.bin");
    EXPECT_EQ(plugin_host::HistoryName("east.bin").for_day(day), "east.bin");

    const plugin_host::HistoryName daily("hist/east-%Y%m%d.bin");
    EXPECT_TRUE(daily.daily());
    EXPECT_EQ(daily.folder(), "hist");
    const struct {
        const char* file;
        bool owned;
    } names[] = {
        {"east-20260301.bin", true},     {"east-20240229.bin", true},  {"east-20260229.bin", false},
        {"east-2026031.bin", false},     {"east-2026030a.bin", false}, {"east-20260301.bin.old", false},
        {"west-20260301.bin", false},    {"xeast-20260301.bin", false}, {"east-20260301.bi", false},
    };
    for (const auto& name : names) {
        EXPECT_EQ(daily.day_of(name.file).has_value(), name.owned) << name.file;
    }
    EXPECT_EQ(daily.day_of("east-20240229.bin")->day, 29u);
    EXPECT_FALSE(plugin_host::HistoryName("%Y-%m.bin").daily());

    // What stands beside every file of a history: the name without its date.
    EXPECT_EQ(plugin_host::HistoryName("hist/east-1-%Y-%m-%d.bin").beside(".state"), "hist/east-1.state");
    EXPECT_EQ(plugin_host::HistoryName("hist/%Y%m%d.bin").beside(".state"), "hist/history.state");
    EXPECT_EQ(plugin_host::HistoryName("east.bin").beside(".state"), "east.bin.state");
}

TEST(HistoryName, ListsItsFilesInTheOrderOfTheirDates)
{
    const std::string folder = ::testing::TempDir() + "history_name_files";
    (void)std::system(("rm -rf '" + folder + "' && mkdir -p '" + folder + "'").c_str());
    for (const char* name : {"e-02012027.bin", "e-31122026.bin", "e-01012027.bin", "w-01012027.bin", "e.state"}) {
        std::ofstream(folder + "/" + name) << "";
    }
    const std::vector<std::string> files = plugin_host::HistoryName(folder + "/e-%d%m%Y.bin").files();
    EXPECT_EQ(files, (std::vector<std::string>{folder + "/e-31122026.bin", folder + "/e-01012027.bin",
                                               folder + "/e-02012027.bin"}));
    EXPECT_EQ(plugin_host::HistoryName(folder + "/e.state").files(), std::vector<std::string>{folder + "/e.state"});
    EXPECT_TRUE(plugin_host::HistoryName(folder + "/none.bin").files().empty());
    (void)std::system(("rm -rf '" + folder + "'").c_str());
}

TEST(HistoryName, TakesTheDateInTheFilesNameOnly)
{
    for (const char* taken : {"h.bin", "hist/%Y-%m-%d.bin", "100%%.bin", "h-%Y%%%m"}) {
        EXPECT_NO_THROW(plugin_host::check_history_name(taken)) << taken;
    }
    for (const char* refused : {"h-%H.bin", "h-%.bin", "h-%", "%Y/h.bin", "a%%b/h.bin", "h-%y.bin"}) {
        EXPECT_THROW(plugin_host::check_history_name(refused), std::invalid_argument) << refused;
    }
}

TEST(DatedHistory, EachRecordGoesToTheFileOfItsDayAndAnUnstampedOneToTheLastDayUsed)
{
    const std::string folder = ::testing::TempDir();
    const std::string first = folder + "dated-2026-03-01.bin", second = folder + "dated-2026-03-02.bin";
    std::remove(first.c_str());
    std::remove(second.c_str());
    std::vector<std::string> said;
    {
        // The device's clock at start is 2026-03-01 12:00 by the local zone.
        std::tm noon{};
        noon.tm_year = 126, noon.tm_mon = 2, noon.tm_mday = 1, noon.tm_hour = 12, noon.tm_isdst = -1;
        plugin_host::DatedHistory history(folder + "dated-%Y-%m-%d.bin", 0, "", std::mktime(&noon),
                                          [&said](const std::string& text) { said.push_back(text); });
        qorv52_419_Data_t record{};
        const std::uint8_t times[][7] = {{0xEA, 0x07, 3, 1, 23, 59, 58}, {0xEA, 0x07, 3, 2, 0, 0, 1}, {}};
        for (const auto& time : times) {
            std::memcpy(record.round_time, time, sizeof time);
            ASSERT_TRUE(history.append(reinterpret_cast<const unsigned char*>(&record)));
        }
    }
    EXPECT_EQ(file_bytes(first).size(), RECORD);
    EXPECT_EQ(file_bytes(second).size(), 2 * RECORD);
    EXPECT_TRUE(said.empty());
    std::remove(first.c_str());
    std::remove(second.c_str());
}
