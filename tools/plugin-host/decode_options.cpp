#include "tools/plugin-host/decode_options.h"

#include <memory>

#include <CLI/CLI.hpp>

namespace plugin_host {

CommandAction add_decode_command(CLI::App& tool)
{
    auto options = std::make_shared<DecodeOptions>();
    CLI::App& command = add_subcommand(tool, "decode", "print stored 1003-byte records field by field");
    command.add_option("FILE", options->input, "a record, a cache or a history file, or - for standard input")
        ->required()
        ->type_name("");
    command.add_flag("--hex", options->hex,
                     "the input is hex text (either case; blanks and line breaks between bytes are "
                     "ignored), such as the \"record\" of a replay transcript");
    command.add_flag("--table", options->table, "print a table for people instead of JSON");
    command.footer(
        "Prints each 1003-byte measurement record in FILE (or standard input) with every\n"
        "field of the record layout: one JSON object per line, or an aligned table."
        "\n\n"
        "A history file is records back to back. Input whose size is not a multiple of\n"
        "1003 bytes is refused (status 2) after the whole records it holds are printed.");
    return [options] { return decode_command(*options); };
}

}  // namespace plugin_host
