// Loads a device plug-in as the daemon does: dlopen, get_providers, and the
// first factory's create().
#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/host_api.h"
#include "host/provider.h"

class HOST_API PluginLibrary {
public:
    // Throws std::runtime_error with dlerror()'s text when the library or its
    // entry point cannot be loaded.
    explicit PluginLibrary(const std::string& path);
    ~PluginLibrary();
    PluginLibrary(const PluginLibrary&) = delete;
    PluginLibrary& operator=(const PluginLibrary&) = delete;

    const std::vector<std::shared_ptr<Provider>>& providers() const { return providers_; }
    // A new device from the first factory; destroyed through its virtual destructor.
    std::unique_ptr<SMDSPDevice> create_device() const;

private:
    void* handle_ = nullptr;
    std::vector<std::shared_ptr<Provider>> providers_;
};
