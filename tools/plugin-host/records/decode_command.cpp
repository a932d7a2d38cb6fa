// plugin-host decode: prints stored 1003-byte records (a published record, a
// cache, or history files of records back to back) field by field, reading
// one record at a time.
#include <fstream>
#include <iostream>
#include <stdexcept>
#include <string>

#include "tools/plugin-host/records/decode_options.h"
#include "tools/plugin-host/cli/exit_status.h"
#include "tools/plugin-host/common/output_files.h"
#include "tools/plugin-host/records/record_files.h"
#include "tools/plugin-host/records/record_printer.h"
#include "tools/plugin-host/records/record_stream.h"

namespace plugin_host {

namespace {

// Prints the records of one input, numbered on from `index`, after the CSV
// header once the first input is open; false when it ends in part of a
// record (said on standard error).
bool decode_input(const std::string& input, bool alone, const DecodeOptions& options, std::size_t& index,
                  bool& header_printed)
{
    std::ifstream file;
    if (input != "-") {
        file = open_record_file(input);
    }
    std::istream& in = input == "-" ? std::cin : file;
    const std::string input_name = input == "-" ? "standard input" : input;

    RecordStream records(in, options.hex);
    StoredRecord record;
    if (options.csv && !header_printed) {
        std::cout << record_csv_header() << "\n";
        header_printed = true;
    }
    const std::size_t first = index;
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
        if (alone) {
            throw std::invalid_argument(input_name + " is empty: it holds no record");
        }
        std::cerr << "plugin-host decode: " << input_name << " is empty: passed over\n";
    }
    if (records.left_over() != 0) {
        std::cerr << "plugin-host decode: " << input_name << " holds " << records.bytes_read()
                  << " bytes, not a whole number of 1003-byte records: " << index - first
                  << " record(s) printed, the last " << records.left_over() << " byte(s) not decoded\n";
        return false;
    }
    return true;
}

}  // namespace

int decode_command(const DecodeOptions& options)
{
    const std::vector<std::string> inputs = record_files(options.inputs);
    std::size_t index = 0;
    bool header_printed = false;
    bool whole = true;
    for (const std::string& input : inputs) {
        whole = decode_input(input, inputs.size() == 1, options, index, header_printed) && whole;
    }
    if (index == 0 && inputs.size() > 1) {
        throw std::invalid_argument("the inputs hold no record");
    }
    return whole ? EXIT_DONE : EXIT_WRONG_INPUT;
}

}  // namespace plugin_host
