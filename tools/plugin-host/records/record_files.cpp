#include "tools/plugin-host/records/record_files.h"

#include <algorithm>
#include <stdexcept>

#include <dirent.h>
#include <sys/stat.h>

namespace plugin_host {

namespace {

bool is_folder(const std::string& path)
{
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

bool is_regular_file(const std::string& path)
{
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

}  // namespace

std::vector<std::string> record_files(const std::vector<std::string>& inputs)
{
    std::vector<std::string> files;
    for (const std::string& input : inputs) {
        if (input == "-" || !is_folder(input)) {
            files.push_back(input);
            continue;
        }
        DIR* folder = ::opendir(input.c_str());
        if (folder == nullptr) {
            throw std::invalid_argument("cannot read the folder " + input);
        }
        const std::string lead = input.back() == '/' ? input : input + "/";
        std::vector<std::string> held;
        while (const dirent* entry = ::readdir(folder)) {
            if (entry->d_name[0] != '.' && is_regular_file(lead + entry->d_name)) {
                held.push_back(lead + entry->d_name);
            }
        }
        ::closedir(folder);
        if (held.empty()) {
            throw std::invalid_argument(input + ": a folder that holds no file of records");
        }
        std::sort(held.begin(), held.end());
        files.insert(files.end(), held.begin(), held.end());
    }
    return files;
}

}  // namespace plugin_host
