#include "tools/plugin-host/common/input_file.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace plugin_host {

namespace {

[[noreturn]] void refuse_directory(const std::string& path, const std::string& what)
{
    throw std::invalid_argument(path + ": is a directory, not a " + what + " file");
}

[[noreturn]] void refuse_empty(const std::string& path, const std::string& what)
{
    throw std::invalid_argument(path + ": empty, not a " + what);
}

}  // namespace

std::string read_input_file(const std::string& path, const std::string& what)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        throw std::invalid_argument("cannot read the " + what + " " + path + ": " + std::strerror(errno));
    }
    struct stat status {};
    if (::fstat(fd, &status) == 0 && S_ISDIR(status.st_mode)) {
        ::close(fd);
        refuse_directory(path, what);
    }
    std::string text;
    char block[8192];
    for (;;) {
        const ssize_t got = ::read(fd, block, sizeof block);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            const int error = errno;
            ::close(fd);
            throw std::invalid_argument("cannot read the " + what + " " + path + ": " + std::strerror(error));
        }
        if (got == 0) {
            break;
        }
        text.append(block, static_cast<std::size_t>(got));
        if (text.size() > MAX_INPUT_BYTES) {
            ::close(fd);
            throw std::invalid_argument(path + ": larger than 1 MiB, too large for a " + what);
        }
    }
    ::close(fd);
    if (text.empty()) {
        refuse_empty(path, what);
    }
    return text;
}

std::ifstream open_input_stream(const std::string& path, const std::string& what)
{
    struct stat status {};
    if (::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) {
        refuse_directory(path, what);
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::invalid_argument("cannot read the " + what + " " + path + ": " + std::strerror(errno));
    }
    if (in.peek() == std::ifstream::traits_type::eof()) {
        refuse_empty(path, what);
    }
    return in;
}

}  // namespace plugin_host
