// Loads the built plug-in exactly as the daemon does and checks what a new
// device reports.
#include <array>
#include <cstdio>
#include <memory>
#include <set>
#include <string>
#include <typeinfo>
#include <vector>

#include <boost/date_time/posix_time/posix_time.hpp>
#include <gtest/gtest.h>

#include "host/plugin_loader.h"
#include "host/pmbus_protocol.h"
#include "tools/clock_seam/clock_seam.h"

#if !defined(QORV_PLUGIN_PATH) || !defined(QORV_NM) || !defined(QORV_READELF)
#error "QORV_PLUGIN_PATH, QORV_NM and QORV_READELF must name the built plug-in and the toolchain's nm and readelf"
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

// Test programs and plugin-host move the plug-in's clock by exporting their
// own time(); this holds only if the dynamic linker binds the plug-in's
// time() to the program's, which is checked here on a plug-in loaded with
// dlopen, on whatever machine (or emulator) runs the tests.
TEST(PluginLoad, TheProgramsClockIsThePluginsClock)
{
    using boost::posix_time::ptime;
    using boost::posix_time::time_from_string;
    clock_seam::freeze_at_local(2026, 1, 1, 0, 0, 0);
    PluginLibrary library(QORV_PLUGIN_PATH);
    std::unique_ptr<SMDSPDevice> device = library.create_device();
    ASSERT_NE(device, nullptr);

    device->RoundDone();
    EXPECT_EQ(device->last_round_time_, time_from_string("2026-01-01 00:00:00"));
    clock_seam::advance(90);
    device->RoundDone();
    EXPECT_EQ(device->last_round_time_, time_from_string("2026-01-01 00:01:30"));
    clock_seam::use_real_clock();
}

namespace {

// Standard output of a shell command; a binutils program of the build's own
// toolchain, so the checks also read a cross-built plug-in.
std::string output_of(const std::string& command)
{
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    std::string output;
    if (pipe == nullptr) {
        return output;
    }
    std::array<char, 256> buffer{};
    while (fgets(buffer.data(), static_cast<int>(buffer.size()), pipe.get()) != nullptr) {
        output += buffer.data();
    }
    return output;
}

std::vector<std::string> lines_of(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        lines.push_back(text.substr(start, end - start));
        start = end == std::string::npos ? text.size() : end + 1;
    }
    return lines;
}

// The value in brackets of a readelf -d line, such as "[libc.so.6]".
std::string bracketed(const std::string& line)
{
    const std::size_t open = line.find('[');
    const std::size_t close = line.rfind(']');
    return open == std::string::npos || close == std::string::npos || close < open
               ? std::string()
               : line.substr(open + 1, close - open - 1);
}

}  // namespace

TEST(PluginLoad, GetProvidersIsTheOnlyExportedSymbol)
{
    const std::string command = std::string(QORV_NM) + " -D --defined-only " + QORV_PLUGIN_PATH;
    const std::string output = output_of(command);
    ASSERT_FALSE(output.empty()) << command;
    std::string exported;
    for (const std::string& line : lines_of(output)) {
        const std::size_t name = line.find_last_of(' ');
        if (!line.empty() && name != std::string::npos) {
            exported += line.substr(name + 1) + " ";
        }
    }
    EXPECT_EQ(exported, "get_providers ");

    // The string form of LoadFromCache is inline in the framework's header:
    // the plug-in carries it instead of importing it.
    const std::string imported = output_of(std::string(QORV_NM) + " -D --undefined-only " + QORV_PLUGIN_PATH);
    EXPECT_EQ(imported.find("LoadFromCache"), std::string::npos);
}

// The controller provides the C and C++ runtime, jsoncpp and the daemon's
// framework library, and nothing else; the daemon finds the plug-in by its
// own search path, so the plug-in must not carry one.
TEST(PluginLoad, NeedsOnlyWhatTheControllerProvidesAndHasASoname)
{
    const std::string command = std::string(QORV_READELF) + " -d " + QORV_PLUGIN_PATH;
    const std::string output = output_of(command);
    ASSERT_FALSE(output.empty()) << command;
    // The dynamic loader (ld.so.1 on MIPS) is named when the plug-in uses
    // thread-local storage: __tls_get_addr lives there.
    const std::set<std::string> provided = {"libc.so.6",        "libm.so.6",        "libgcc_s.so.1",
                                            "libstdc++.so.6",   "libjsoncpp.so.25", "libsmd_host.so.1",
                                            "libpthread.so.0",  "libdl.so.2",       "ld.so.1",
                                            "ld-linux-x86-64.so.2"};
    std::set<std::string> needed;
    std::string soname;
    for (const std::string& line : lines_of(output)) {
        EXPECT_EQ(line.find("(RUNPATH)"), std::string::npos) << line;
        EXPECT_EQ(line.find("(RPATH)"), std::string::npos) << line;
        if (line.find("(NEEDED)") != std::string::npos) {
            needed.insert(bracketed(line));
        } else if (line.find("(SONAME)") != std::string::npos) {
            soname = bracketed(line);
        }
    }
    for (const std::string& library : needed) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
        // The sanitizer builds' plug-in also needs the sanitizers' runtimes;
        // no build for the controller is instrumented.
        if (library.rfind("libasan.so", 0) == 0 || library.rfind("libubsan.so", 0) == 0 ||
            library.rfind("libtsan.so", 0) == 0) {
            continue;
        }
#endif
        EXPECT_EQ(provided.count(library), 1u) << library << " is not on the controller";
    }
    EXPECT_EQ(needed.count("libsmd_host.so.1"), 1u);
    EXPECT_EQ(soname, "libqorv52_419.so.1");
}
