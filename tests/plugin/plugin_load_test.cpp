// Loads the built plug-in exactly as the daemon does and checks what a new
// device reports.
#include <array>
#include <cstdio>
#include <memory>
#include <string>
#include <typeinfo>

#include <gtest/gtest.h>

#include "host/plugin_loader.h"
#include "host/pmbus_protocol.h"

#ifndef QORV_PLUGIN_PATH
#error "QORV_PLUGIN_PATH must name the built plug-in"
#endif

TEST(PluginLoad, OneProviderThatCreatesTheModelDevice)
{
    PluginLibrary library(QORV_PLUGIN_PATH);
    ASSERT_EQ(library.providers().size(), 1u);
    const Provider& provider = *library.providers().front();
    EXPECT_STREQ(typeid(provider).name(), "18qorv52_419Provider");

    std::unique_ptr<SMDSPDevice> device = library.create_device();
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(device->DeviceType(), "qorv52_419");
    EXPECT_EQ(device->baud_rate_, 9600);
    EXPECT_EQ(device->option_byte_, 1);
    EXPECT_FALSE(device->GetChildVDevice(0));
    EXPECT_FALSE(device->GetChildVDevice(7));
    EXPECT_TRUE(device->GetAllChildVDevices().empty());
    const auto* protocol = dynamic_cast<const PMBusProtocol*>(device.get());
    ASSERT_NE(protocol, nullptr);
    EXPECT_EQ(protocol->protocol_version_, 0x20);
    EXPECT_THROW(device->Get_Value(0, "out_v"), std::out_of_range);
    device.reset();
}

TEST(PluginLoad, EachCallMakesANewProviderList)
{
    PluginLibrary first(QORV_PLUGIN_PATH);
    PluginLibrary second(QORV_PLUGIN_PATH);
    EXPECT_NE(first.providers().front().get(), second.providers().front().get());
}

TEST(PluginLoad, AMissingLibraryIsReported)
{
    EXPECT_THROW(PluginLibrary("/nonexistent/libqorv52_419.so"), std::runtime_error);
}

#ifdef QORV_NM
TEST(PluginLoad, GetProvidersIsTheOnlyExportedSymbol)
{
    const std::string command = std::string(QORV_NM) + " -D --defined-only " + QORV_PLUGIN_PATH;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    ASSERT_NE(pipe, nullptr);
    std::string output;
    std::array<char, 256> buffer{};
    while (fgets(buffer.data(), static_cast<int>(buffer.size()), pipe.get()) != nullptr) {
        output += buffer.data();
    }
    ASSERT_FALSE(output.empty()) << command;
    std::string exported;
    std::size_t start = 0;
    while (start < output.size()) {
        const std::size_t end = output.find('\n', start);
        const std::string line = output.substr(start, end - start);
        start = end == std::string::npos ? output.size() : end + 1;
        const std::size_t name = line.find_last_of(' ');
        if (!line.empty() && name != std::string::npos) {
            exported += line.substr(name + 1) + " ";
        }
    }
    EXPECT_EQ(exported, "get_providers ");
}
#endif
