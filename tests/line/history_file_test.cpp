// The history file holds whole records only, whatever the disk does: a torn
// tail is cut on open, a record that does not fit is taken back out, and a
// second writer is refused.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <sys/resource.h>

#include "tools/plugin-host/run/history_file.h"

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
