#include "tools/plugin-host/common/file_uses.h"

#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace plugin_host {

std::string resolved_path(const std::string& path)
{
    std::error_code error;
    const std::filesystem::path resolved = std::filesystem::weakly_canonical(std::filesystem::absolute(path), error);
    return error ? std::filesystem::absolute(path).lexically_normal().string() : resolved.string();
}

void FileUses::add(const std::string& use, const std::string& path, bool output)
{
    if (path.empty() || path == "-") {
        return;
    }
    const std::string resolved = resolved_path(path);
    for (const Use& known : uses_) {
        if (known.resolved == resolved && (output || known.output)) {
            const std::string same = known.path == path ? "" : " (" + known.path + " and " + path + " are one file)";
            throw std::invalid_argument(known.use + " and " + use + " name the same file " + path + same +
                                        (output && known.output ? ": one file takes one writer"
                                                                : ": an output would overwrite an input"));
        }
    }
    uses_.push_back({use, path, resolved, output});
}

}  // namespace plugin_host
