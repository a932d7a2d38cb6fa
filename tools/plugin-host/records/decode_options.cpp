#include "tools/plugin-host/records/decode_options.h"

#include <memory>

#include <CLI/CLI.hpp>

namespace plugin_host {

CommandAction add_decode_command(CLI::App& tool)
{
    auto options = std::make_shared<DecodeOptions>();
    CLI::App& command = add_subcommand(tool, "decode", "print stored 1003-byte records field by field");
    path_option(command.add_option("FILE", options->inputs,
                                   "records, a cache or history files, a folder of history files, or - for "
                                   "standard input"),
                true)
        ->required()
        ->type_name("");
    command.add_flag("--hex", options->hex,
                     "the input is hex text (either case; blanks and line breaks between bytes are "
                     "ignored), such as the \"record\" of a replay transcript");
    CLI::Option* table = command.add_flag("--table", options->table, "print a table for people instead of JSON");
    command
        .add_flag("--csv", options->csv,
                  "print a header row of field names (list slots as name[i]) and one row per record, "
                  "the round time as YYYY-MM-DD HH:MM:SS")
        ->excludes(table);
    command.footer(
        "Prints each 1003-byte measurement record in FILE (or standard input) with every\n"
        "field of the record layout: one JSON object per line, an aligned table, or CSV."
        "\n\n"
        "A history file is records back to back, read one record at a time. Input whose\n"
        "size is not a multiple of 1003 bytes is refused (status 2) after the whole\n"
        "records it holds are printed.\n\n"
        "Several files are read one after the other in the order given, and a folder as\n"
        "its files sorted by name: the time order of day files such as 2026-03-01.bin.\n"
        "Records are numbered on from file to file; an empty file among several is\n"
        "passed over with a note.");
    return [options] { return decode_command(*options); };
}

}  // namespace plugin_host
