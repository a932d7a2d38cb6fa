// The site document: what a simulated bus takes from its devices, and the
// documents shipped with the package.
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

// The site documents shipped with the package (the service's, and the
// example on stable port names) are accepted, on a machine without those
// ports; their histories are in the state folder when one is given.
TEST(SiteDocument, TheShippedDocumentsAreAccepted)
{
    for (const char* shipped : {"service-site.json", "examples/site-stable-names.json"}) {
        SCOPED_TRACE(shipped);
        const Site site = read_site(std::string(QORV_CONFIG_DIR "/") + shipped, "/var/lib/plugin-host");
        ASSERT_FALSE(site.devices.empty());
        EXPECT_EQ(site.devices[0].history.rfind("/var/lib/plugin-host/", 0), 0u) << site.devices[0].history;
        EXPECT_TRUE(site.devices[0].config.isObject());
    }
}
