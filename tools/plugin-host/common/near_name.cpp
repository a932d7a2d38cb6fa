#include "tools/plugin-host/common/near_name.h"

#include <algorithm>
#include <vector>

namespace plugin_host {

namespace {

std::size_t edit_distance(const std::string& a, const std::string& b)
{
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) {
        row[j] = j;
    }
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

}  // namespace

std::optional<std::string> nearest_name(const std::string& given, const std::set<std::string>& known)
{
    std::optional<std::string> nearest;
    std::size_t best = std::max<std::size_t>(1, std::min<std::size_t>(2, given.size() / 3)) + 1;
    for (const std::string& name : known) {
        const std::size_t distance = edit_distance(given, name);
        if (distance < best) {
            best = distance;
            nearest = name;
        }
    }
    return nearest;
}

}  // namespace plugin_host
