// plugin-host decode: prints stored 1003-byte records (a published record, a
// cache, or a history file of records back to back) field by field.
#include <fstream>
#include <iostream>
#include <string>

#include "tools/plugin-host/commands.h"
#include "tools/plugin-host/hex_text.h"
#include "tools/plugin-host/record_printer.h"
#include "tools/plugin-host/record_stream.h"

namespace {

const char* const usage =
    "usage: plugin-host decode FILE|- [--hex] [--table|--csv]\n"
    "\n"
    "Prints each 1003-byte measurement record in FILE (or standard input) with every\n"
    "field of the record layout: one JSON object per line, an aligned table, or CSV.\n"
    "\n"
    "  --hex    the input is hex text (either case; blanks and line breaks between\n"
    "           bytes are ignored), such as the \"record\" of a replay transcript\n"
    "  --table  print a table for people instead of JSON\n"
    "  --csv    print a header row of field names (list slots as name[i]) and one\n"
    "           row per record, the round time as YYYY-MM-DD HH:MM:SS\n"
    "\n"
    "A history file is records back to back, read one record at a time. Input whose\n"
    "size is not a multiple of 1003 bytes is refused after the whole records it\n"
    "holds are printed.\n"
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
    bool csv = false;
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
        } else if (arg == "--csv") {
            csv = true;
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
    if (table && csv) {
        return usage_error("--table and --csv exclude each other");
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

    plugin_host::RecordStream records(in, hex);
    plugin_host::StoredRecord record;
    std::size_t index = 0;
    if (csv) {
        std::cout << plugin_host::record_csv_header() << "\n";
    }
    for (; records.next(record); ++index) {
        if (table) {
            if (index > 0) {
                std::cout << "\n";
            }
            plugin_host::print_record_table(std::cout, record.data(), index);
        } else if (csv) {
            std::cout << plugin_host::record_csv(record.data(), index) << "\n";
        } else {
            std::cout << plugin_host::record_json(record.data(), index) << "\n";
        }
    }
    std::cout.flush();
    if (records.not_hex()) {
        std::cerr << "plugin-host decode: " << input_name << " is not hex: " << records.error() << "\n";
        return 1;
    }
    if (!records.error().empty()) {
        std::cerr << "plugin-host decode: error reading " << input_name << "\n";
        return 1;
    }
    if (records.left_over() != 0) {
        std::cerr << "plugin-host decode: " << input_name << " holds " << records.bytes_read()
                  << " bytes, not a whole number of 1003-byte records: " << index
                  << " record(s) printed, the last " << records.left_over() << " byte(s) not decoded\n";
        return 1;
    }
    return 0;
}
