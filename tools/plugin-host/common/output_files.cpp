#include "tools/plugin-host/common/output_files.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include <sys/stat.h>

namespace plugin_host {

bool same_file(const std::string& a, const std::string& b)
{
    struct stat first {}, second {};
    if (::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0) {
        return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
    }
    std::error_code error;
    const std::filesystem::path resolved_a = std::filesystem::weakly_canonical(a, error);
    if (error) {
        return false;
    }
    const std::filesystem::path resolved_b = std::filesystem::weakly_canonical(b, error);
    return !error && resolved_a == resolved_b;
}

void check_written(std::ostream& out, const std::string& name)
{
    if (out) {
        errno = 0;
        out.flush();
        if (out) {
            return;
        }
    }
    // The write that failed set errno, before this flush or in it.
    const int error = errno;
    throw std::runtime_error("cannot write " + name + (error == 0 ? "" : std::string(": ") + std::strerror(error)));
}

}  // namespace plugin_host
