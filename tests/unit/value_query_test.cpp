// Serving "out_v" and "ac": the refusals, their order, freshness through the
// clock, and the both-inputs-down flag.
#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/device_fixture.h"
#include "tools/clock_seam/clock_seam.h"

namespace {

class ValueQuery : public DeviceTest {
protected:
    void complete_round()
    {
        printed_by([&] { device.RoundDone(); });
    }

    // The value served, or the text of the refusal.
    std::string query(const std::string& name, unsigned int id = 0)
    {
        try {
            return std::to_string(device.Get_Value(id, name));
        } catch (const std::out_of_range& refusal) {
            return refusal.what();
        }
    }

    void set_phases(float ua1, float ub1, float uc1, float ua2, float ub2, float uc2)
    {
        device.data_.ac.acChannel[0].a.set(ua1);
        device.data_.ac.acChannel[0].b.set(ub1);
        device.data_.ac.acChannel[0].c.set(uc1);
        device.data_.ac.acChannel[1].a.set(ua2);
        device.data_.ac.acChannel[1].b.set(ub2);
        device.data_.ac.acChannel[1].c.set(uc2);
    }
};

const float NaN = std::numeric_limits<float>::quiet_NaN();

}  // namespace

TEST_F(ValueQuery, EveryCallAnnouncesItselfAndRefusesUntilTheFirstRound)
{
    for (const char* name : {"out_v", "ac", "other"}) {
        std::string answer;
        const std::string out = printed_by([&] { answer = query(name); });
        EXPECT_EQ(out, "in pmbuspower_419 Get_Value\n") << name;
        EXPECT_EQ(answer, "数据未就绪") << name;
    }
}

TEST_F(ValueQuery, ValuesStayFreshForSixtySecondsAndAcrossAClockSetBack)
{
    device.data_.dc.out_v.set(53.5f);
    complete_round();
    const struct {
        long long step;  // clock move before the query, in seconds
        const char* out_v;
        const char* unknown;
    } cases[] = {
        {0, "53.500000", "不支持变量"},
        {60, "53.500000", "不支持变量"},
        {1, "数据已超时", "数据已超时"},      // 61 seconds: stale, whatever the name
        {-61 - 7200, "53.500000", "不支持变量"},  // clock set back before the round
    };
    for (const auto& c : cases) {
        clock_seam::advance(c.step);
        EXPECT_EQ(printed_by([&] { EXPECT_EQ(query("out_v"), c.out_v) << c.step; }), "in pmbuspower_419 Get_Value\n");
        EXPECT_EQ(query("Out_v"), c.unknown) << c.step;
    }
}

TEST_F(ValueQuery, NextRoundMakesStaleDataFreshAgain)
{
    complete_round();
    clock_seam::advance(600);
    EXPECT_EQ(query("ac"), "数据已超时");
    complete_round();
    EXPECT_EQ(query("ac"), "1.000000");
}

TEST_F(ValueQuery, ReadyFlagWithoutARoundTimeCountsAsStale)
{
    device.data_ready_ = 1;
    EXPECT_EQ(query("out_v"), "数据已超时");
}

TEST_F(ValueQuery, OnlyTheExactNamesAreServedAndTheIdIsIgnored)
{
    device.data_.dc.out_v.set(-53.25f);
    complete_round();
    for (unsigned int id : {0u, 1u, 4294967295u}) {
        EXPECT_EQ(device.Get_Value(id, "out_v"), -53.25f) << id;
    }
    for (const char* name : {"OUT_V", "out_v ", " ac", "AC", "ac\n", "", "out"}) {
        EXPECT_EQ(query(name), "不支持变量") << '"' << name << '"';
    }
}

TEST_F(ValueQuery, AcFlagIsSetOnlyWhenAllSixPhasesAreBelowTheLimit)
{
    const float below = std::nextafter(150.0f, 0.0f);
    const struct {
        float ua1, ub1, uc1, ua2, ub2, uc2;
        float flag;
    } cases[] = {
        {0, 0, 0, 0, 0, 0, 1.0f},
        {below, below, below, below, below, below, 1.0f},
        {-230, 0, 0, 0, 0, 0, 1.0f},
        {150, 0, 0, 0, 0, 0, 0.0f},
        {0, 0, 0, 0, 0, 150, 0.0f},
        {0, 0, 230, 0, 0, 0, 0.0f},
        {0, 0, 0, 0, NaN, 0, 0.0f},
        {NaN, 0, 0, 0, 0, 0, 0.0f},
    };
    complete_round();
    for (const auto& c : cases) {
        set_phases(c.ua1, c.ub1, c.uc1, c.ua2, c.ub2, c.uc2);
        EXPECT_EQ(device.Get_Value(0, "ac"), c.flag)
            << c.ua1 << " " << c.ub1 << " " << c.uc1 << " " << c.ua2 << " " << c.ub2 << " " << c.uc2;
    }
}

TEST_F(ValueQuery, AcFlagReadsBothInputBlocksWhateverTheSettingsSay)
{
    device.has_ac = false;
    device.data_.ac.channel_count = 1;
    set_phases(0, 0, 0, 0, 0, 0);
    device.data_.ac.acChannel[1].b.set(220.0f);  // left over from a round that reported two inputs
    complete_round();
    EXPECT_EQ(device.Get_Value(0, "ac"), 0.0f);
}
