// The plug-in's entry point: the daemon looks up this one symbol, by its
// plain unmangled name, after loading the library, and keeps the factories
// it returns.
#include <memory>
#include <vector>

#include "plugin/qorv52_419_provider.h"

__attribute__((visibility("default"))) std::vector<std::shared_ptr<Provider>> get_providers() __asm__("get_providers");

std::vector<std::shared_ptr<Provider>> get_providers()
{
    std::vector<std::shared_ptr<Provider>> providers;
    providers.push_back(std::make_shared<qorv52_419Provider>());
    return providers;
}
