#include "tools/plugin-host/run_simulator_options.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "tools/plugin-host/capture_reader.h"

const char* const simulator_options_usage =
    "  --modules N        rectifier modules (default 6, up to 255)\n"
    "  --dc-units N       DC distribution units, 1 or 2 (default 1)\n"
    "  --dc-unit-count    DC replies carry the unit count byte (always with 2 units)\n"
    "  --steady           readings without the small round-to-round movement\n"
    "  --event 'WHEN WHAT [N]'   a scripted event, e.g. '3 mains-failure', '10s module-fault 2'\n"
    "  --script FILE      scripted events, one per line (# comments)\n"
    "  --from-capture FILE  answer each request with the reply a captured site gave\n"
    "                     to the same request, in order, the last one again when\n"
    "                     the capture runs out; scripted line faults still apply\n"
    "  --paced            reply at the line's baud rate (10 bits a character) after a\n"
    "                     short turnaround, as a real power system does (for a\n"
    "                     pseudo-terminal: a serial port keeps its own pace)\n";

std::string simulated_system_text(const simulator::SimulatorSettings& settings, int baud)
{
    std::string text =
        settings.captured
            ? "answering from a capture of " + std::to_string(settings.captured->size()) + " exchanges"
            : std::to_string(settings.system.modules) + " rectifier modules, " +
                  std::to_string(settings.system.dc_units) + (settings.system.dc_units == 1 ? " DC unit" : " DC units");
    if (settings.paced) {
        text += ", paced at " + std::to_string(baud) + " baud";
    }
    return text;
}

std::string option_value(int argc, char** argv, int& i)
{
    if (i + 1 >= argc) {
        throw std::invalid_argument(std::string(argv[i]) + " needs a value");
    }
    return argv[++i];
}

int whole_number(const std::string& option, const std::string& text, int low, int high)
{
    // Decimal only, as a field engineer reads it: 010 is ten, and 0x10 is
    // refused rather than quietly read as sixteen.
    const std::size_t first = text.size() > 1 && text[0] == '-' ? 1 : 0;
    const bool digits = text.size() > first && text.size() - first <= 9 &&
                        text.find_first_not_of("0123456789", first) == std::string::npos;
    const long value = digits ? std::stol(text) : 0;
    if (!digits || value < low || value > high) {
        const bool hex = text.size() > first + 1 && text[first] == '0' && (text[first + 1] | 0x20) == 'x';
        throw std::invalid_argument(option + " takes a decimal number from " + std::to_string(low) + " to " +
                                    std::to_string(high) + ", not \"" + text + "\"" +
                                    (hex ? " (hexadecimal is not taken)" : ""));
    }
    return static_cast<int>(value);
}

bool take_simulator_option(int argc, char** argv, int& i, simulator::SimulatorSettings& settings)
{
    const std::string option = argv[i];
    auto value = [&] { return option_value(argc, argv, i); };
    if (option == "--modules") {
        settings.system.modules = whole_number(option, value(), 0, 255);
    } else if (option == "--dc-units") {
        settings.system.dc_units = whole_number(option, value(), 1, 2);
    } else if (option == "--dc-unit-count") {
        settings.system.dc_unit_count = true;
    } else if (option == "--steady") {
        settings.system.jitter = false;
    } else if (option == "--event") {
        settings.events.push_back(simulator::parse_event(value()));
    } else if (option == "--from-capture") {
        settings.captured = plugin_host::read_capture_file(value());
    } else if (option == "--paced") {
        settings.paced = true;
    } else if (option == "--script") {
        const std::string path = value();
        std::ifstream file(path);
        if (!file) {
            throw std::invalid_argument("cannot read the event script " + path);
        }
        std::ostringstream text;
        text << file.rdbuf();
        try {
            for (const simulator::Event& event : simulator::parse_script(text.str())) {
                settings.events.push_back(event);
            }
        } catch (const std::invalid_argument& error) {
            throw std::invalid_argument(path + ": " + error.what());
        }
    } else {
        return false;
    }
    return true;
}
