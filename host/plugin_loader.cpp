#include "host/plugin_loader.h"

#include <dlfcn.h>

PluginLibrary::PluginLibrary(const std::string& path)
{
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) {
        throw std::runtime_error(dlerror());
    }
    void* entry = dlsym(handle_, "get_providers");
    if (entry == nullptr) {
        const std::string error = dlerror();
        dlclose(handle_);
        throw std::runtime_error(error);
    }
    providers_ = reinterpret_cast<get_providers_fn>(entry)();
}

PluginLibrary::~PluginLibrary()
{
    // The factories' code lives in the library: drop them before unloading it.
    providers_.clear();
    dlclose(handle_);
}

std::unique_ptr<SMDSPDevice> PluginLibrary::create_device() const
{
    for (const auto& provider : providers_) {
        if (const auto* factory = dynamic_cast<const SMDSPDeviceProvider*>(provider.get())) {
            return std::unique_ptr<SMDSPDevice>(factory->create());
        }
    }
    throw std::runtime_error("the plug-in offers no device factory");
}
