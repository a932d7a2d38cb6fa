// plugin-host decode: prints stored 1003-byte records (a published record, a
// cache, or a history file of records back to back) field by field.
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "tools/plugin-host/commands.h"
#include "tools/plugin-host/hex_text.h"
#include "tools/plugin-host/record_fields.h"
#include "tools/plugin-host/record_printer.h"

namespace {

const char* const usage =
    "usage: plugin-host decode FILE|- [--hex] [--table]\n"
    "\n"
    "Prints each 1003-byte measurement record in FILE (or standard input) with every\n"
    "field of the record layout: one JSON object per line, or an aligned table.\n"
    "\n"
    "  --hex    the input is hex text (either case; blanks and line breaks between\n"
    "           bytes are ignored), such as the \"record\" of a replay transcript\n"
    "  --table  print a table for people instead of JSON\n"
    "\n"
    "A history file is records back to back. Input whose size is not a multiple of\n"
    "1003 bytes is refused after the whole records it holds are printed.\n"
    "\n"
    "exit status: 0 every byte decoded; 1 unreadable input or a partial record;\n"
    "             2 usage error\n";

int usage_error(const std::string& message)
{
    std::cerr << "plugin-host decode: " << message << "\n" << usage;
    return 2;
}

}  // namespace

int run_decode_command(int argc, char** argv)
{
    std::string input;
    bool hex = false;
    bool table = false;
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::cout << usage;
            return 0;
        }
        if (arg == "--hex") {
            hex = true;
        } else if (arg == "--table") {
            table = true;
        } else if (arg != "-" && arg.rfind("-", 0) == 0) {
            return usage_error("unknown option " + arg);
        } else if (input.empty()) {
            input = arg;
        } else {
            return usage_error("more than one input given");
        }
    }
    if (input.empty()) {
        return usage_error("no input given (a file, or - for standard input)");
    }

    std::ifstream file;
    if (input != "-") {
        file.open(input, std::ios::binary);
        if (!file) {
            std::cerr << "plugin-host decode: cannot read " << input << "\n";
            return 1;
        }
    }
    std::istream& in = input == "-" ? std::cin : file;
    const std::string input_name = input == "-" ? "standard input" : input;
    const std::string contents((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        std::cerr << "plugin-host decode: error reading " << input_name << "\n";
        return 1;
    }
    std::vector<std::uint8_t> bytes;
    if (hex) {
        std::string error;
        if (!plugin_host::parse_hex(contents, bytes, error)) {
            std::cerr << "plugin-host decode: " << input_name << " is not hex: " << error << "\n";
            return 1;
        }
    } else {
        bytes.assign(contents.begin(), contents.end());
    }

    const std::size_t records = bytes.size() / plugin_host::RECORD_BYTES;
    for (std::size_t index = 0; index < records; ++index) {
        const std::uint8_t* record = bytes.data() + index * plugin_host::RECORD_BYTES;
        if (table) {
            if (index > 0) {
                std::cout << "\n";
            }
            plugin_host::print_record_table(std::cout, record, index);
        } else {
            std::cout << plugin_host::record_json(record, index) << "\n";
        }
    }
    std::cout.flush();
    const std::size_t left_over = bytes.size() % plugin_host::RECORD_BYTES;
    if (left_over != 0) {
        std::cerr << "plugin-host decode: " << input_name << " holds " << bytes.size()
                  << " bytes, not a whole number of 1003-byte records: " << records
                  << " record(s) printed, the last " << left_over << " byte(s) not decoded\n";
        return 1;
    }
    return 0;
}
