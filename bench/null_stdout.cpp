#include "bench/null_stdout.h"

#include <fcntl.h>
#include <unistd.h>

#include <stdexcept>

namespace bench {

std::FILE* silence_standard_output()
{
    std::fflush(stdout);
    const int original = dup(STDOUT_FILENO);
    const int null_sink = open("/dev/null", O_WRONLY);
    if (original < 0 || null_sink < 0 || dup2(null_sink, STDOUT_FILENO) < 0) {
        throw std::runtime_error("cannot send standard output to /dev/null");
    }
    close(null_sink);
    std::FILE* report = fdopen(original, "w");
    if (report == nullptr) {
        throw std::runtime_error("cannot keep the original standard output");
    }
    return report;
}

}  // namespace bench
