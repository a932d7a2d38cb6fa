// plugin-host decode: prints stored 1003-byte records (a published record, a
// cache, or a history file of records back to back) field by field.
#include <fstream>
#include <iostream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "tools/plugin-host/decode_options.h"
#include "tools/plugin-host/exit_status.h"
#include "tools/plugin-host/hex_text.h"
#include "tools/plugin-host/record_fields.h"
#include "tools/plugin-host/record_printer.h"

namespace plugin_host {

int decode_command(const DecodeOptions& options)
{
    const std::string& input = options.input;
    const bool hex = options.hex;
    const bool table = options.table;
    std::ifstream file;
    if (input != "-") {
        file.open(input, std::ios::binary);
        if (!file) {
            throw std::invalid_argument("cannot read " + input);
        }
    }
    std::istream& in = input == "-" ? std::cin : file;
    const std::string input_name = input == "-" ? "standard input" : input;
    const std::string contents((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        throw std::runtime_error("error reading " + input_name);
    }
    std::vector<std::uint8_t> bytes;
    if (hex) {
        std::string error;
        if (!parse_hex(contents, bytes, error)) {
            throw std::invalid_argument(input_name + " is not hex: " + error);
        }
    } else {
        bytes.assign(contents.begin(), contents.end());
    }

    const std::size_t records = bytes.size() / RECORD_BYTES;
    for (std::size_t index = 0; index < records; ++index) {
        const std::uint8_t* record = bytes.data() + index * RECORD_BYTES;
        if (table) {
            if (index > 0) {
                std::cout << "\n";
            }
            print_record_table(std::cout, record, index);
        } else {
            std::cout << record_json(record, index) << "\n";
        }
    }
    std::cout.flush();
    const std::size_t left_over = bytes.size() % RECORD_BYTES;
    if (left_over != 0) {
        std::cerr << "plugin-host decode: " << input_name << " holds " << bytes.size()
                  << " bytes, not a whole number of 1003-byte records: " << records
                  << " record(s) printed, the last " << left_over << " byte(s) not decoded\n";
        return EXIT_WRONG_INPUT;
    }
    return EXIT_DONE;
}

}  // namespace plugin_host
