// The site document: what a simulated bus takes from its devices.
#include <gtest/gtest.h>

#include "tools/plugin-host/run/site_document.h"

using namespace plugin_host;

TEST(SiteDocument, ABusIsPacedWhenADeviceSaysSoAndNoneSaysOtherwise)
{
    const Site site = parse_site(R"({"devices": [
        {"simulator": {"bus": "a"}, "address": 1},
        {"simulator": {"bus": "a", "paced": true}, "address": 2},
        {"simulator": {"bus": "b"}, "address": 1},
        {"simulator": {"bus": "c", "paced": false}}]})",
                                 "", "site.json");
    ASSERT_EQ(site.lines.size(), 3u);
    EXPECT_TRUE(site.lines[0].paced);
    EXPECT_FALSE(site.lines[1].paced);
    EXPECT_FALSE(site.lines[2].paced);
    EXPECT_THROW(parse_site(R"({"devices": [{"port": "/dev/null", "paced": true}]})", "", "site.json"),
                 std::invalid_argument);
}
