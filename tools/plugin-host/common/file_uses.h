// One file, one writer: the files a command reads and writes, each named by
// the use the user gave it. A file named for two outputs, or for an output
// and an input, is refused before anything is opened: two writers would
// interleave what neither could read back, and an output over an input
// destroys it. Files are told apart by where they resolve to (links, `..`
// and doubled slashes followed), not by how they are spelled.
#pragma once

#include <string>
#include <vector>

namespace plugin_host {

// Where a name leads: the file itself when it exists (links, `..` and
// doubled slashes followed), else the folder it would be made in, resolved,
// with the name in it. Two spellings of one file or port give one name.
std::string resolved_path(const std::string& path);

class FileUses {
public:
    // Adds a file the command reads or writes; "" and "-" (the standard
    // streams) are no file. Throws std::invalid_argument naming both uses
    // when the file is already an output, or this is an output of a file
    // already used.
    void input(const std::string& use, const std::string& path) { add(use, path, false); }
    void output(const std::string& use, const std::string& path) { add(use, path, true); }

private:
    struct Use {
        std::string use;
        std::string path;
        std::string resolved;
        bool output;
    };
    void add(const std::string& use, const std::string& path, bool output);

    std::vector<Use> uses_;
};

}  // namespace plugin_host
