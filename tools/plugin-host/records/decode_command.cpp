// plugin-host decode: prints stored 1003-byte records (a published record, a
// cache, or a history file of records back to back) field by field, reading
// one record at a time.
#include <fstream>
#include <iostream>
#include <stdexcept>
#include <string>

#include "tools/plugin-host/records/decode_options.h"
#include "tools/plugin-host/cli/exit_status.h"
#include "tools/plugin-host/common/output_files.h"
#include "tools/plugin-host/records/record_printer.h"
#include "tools/plugin-host/records/record_stream.h"

namespace plugin_host {

int decode_command(const DecodeOptions& options)
{
    const std::string& input = options.input;
    std::ifstream file;
    if (input != "-") {
        file = open_record_file(input);
    }
    std::istream& in = input == "-" ? std::cin : file;
    const std::string input_name = input == "-" ? "standard input" : input;

    RecordStream records(in, options.hex);
    StoredRecord record;
    std::size_t index = 0;
    if (options.csv) {
        std::cout << record_csv_header() << "\n";
    }
    for (; std::cout && records.next(record); ++index) {
        if (options.table) {
            if (index > 0) {
                std::cout << "\n";
            }
            print_record_table(std::cout, record.data(), index);
        } else if (options.csv) {
            std::cout << record_csv(record.data(), index) << "\n";
        } else {
            std::cout << record_json(record.data(), index) << "\n";
        }
    }
    check_written(std::cout, "standard output");
    if (records.not_hex()) {
        throw std::invalid_argument(input_name + " is not hex: " + records.error());
    }
    if (!records.error().empty()) {
        throw std::runtime_error("error reading " + input_name);
    }
    if (records.bytes_read() == 0) {
        throw std::invalid_argument(input_name + " is empty: it holds no record");
    }
    if (records.left_over() != 0) {
        std::cerr << "plugin-host decode: " << input_name << " holds " << records.bytes_read()
                  << " bytes, not a whole number of 1003-byte records: " << index
                  << " record(s) printed, the last " << records.left_over() << " byte(s) not decoded\n";
        return EXIT_WRONG_INPUT;
    }
    return EXIT_DONE;
}

}  // namespace plugin_host
