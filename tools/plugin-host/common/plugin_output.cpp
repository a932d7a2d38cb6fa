#include "tools/plugin-host/common/plugin_output.h"

#include <cerrno>
#include <cstring>
#include <iostream>
#include <stdexcept>

#include <fcntl.h>
#include <unistd.h>

namespace plugin_host {

ReportStream separate_report_from_plugin_output(const std::string& target)
{
    std::fflush(stdout);
    std::cout.flush();
    const int report_fd = ::dup(STDOUT_FILENO);
    ReportStream report(report_fd >= 0 ? ::fdopen(report_fd, "w") : nullptr, &std::fclose);
    if (!report) {
        throw std::runtime_error("cannot set up standard output");
    }
    if (target == "-") {
        return report;
    }
    const char* path = target.empty() ? "/dev/null" : target.c_str();
    const int fd = ::open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) {
        throw std::runtime_error("cannot open " + target + " for the plug-in's output: " + std::strerror(errno));
    }
    ::dup2(fd, STDOUT_FILENO);
    ::close(fd);
    return report;
}

void show(FILE* report, const std::string& text)
{
    std::cout.flush();
    std::fflush(stdout);
    if (std::fputs(text.c_str(), report) < 0 || std::fflush(report) != 0) {
        throw std::runtime_error(std::string("cannot write to standard output: ") + std::strerror(errno));
    }
}

void finish_plugin_output(const std::string& target)
{
    std::cout.flush();
    const bool flushed = std::fflush(stdout) == 0;
    if (!flushed || std::ferror(stdout) != 0 || std::cout.fail()) {
        throw std::runtime_error("cannot write the plug-in's output to " +
                                 (target == "-" ? std::string("standard output") : target));
    }
}

}  // namespace plugin_host
