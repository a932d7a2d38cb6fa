#include "tools/plugin-host/capture_reader.h"

#include <fstream>
#include <optional>
#include <regex>
#include <stdexcept>

#include "tools/plugin-host/hex_text.h"
#include "tools/plugin-host/scenario_parser.h"

namespace plugin_host {

namespace {

// "# 09:31:02.125 sent 40/41 01": the time, the command pair, the INFO if any.
const std::regex sent_comment(R"(^#\s*\S+\s+sent\s+([0-9a-fA-F]{2})/([0-9a-fA-F]{2})\s*([0-9a-fA-F]*)\s*$)");

std::uint8_t byte_of(const std::string& digits) { return static_cast<std::uint8_t>(std::stoul(digits, nullptr, 16)); }

}  // namespace

std::vector<simulator::CapturedExchange> read_capture(std::istream& in, const std::string& name)
{
    std::vector<simulator::CapturedExchange> exchanges;
    std::optional<simulator::CapturedExchange> asked;
    std::string line;
    long number = 0;
    while (std::getline(in, line)) {
        ++number;
        std::smatch sent;
        if (!line.empty() && line[0] == '#' && std::regex_match(line, sent, sent_comment)) {
            asked.emplace();
            asked->cid1 = byte_of(sent[1]);
            asked->cid2 = byte_of(sent[2]);
            std::string error;
            parse_hex(sent[3].str(), asked->request_info, error);
            continue;
        }
        std::optional<ScenarioStep> step;
        try {
            step = parse_scenario_line(line);
        } catch (const ScenarioError& error) {
            if (in.eof()) {
                break;  // the capture was cut inside its last line
            }
            throw std::invalid_argument(name + " line " + std::to_string(number) + ": " + error.what());
        }
        const FrameStep* frame = step ? std::get_if<FrameStep>(&*step) : nullptr;
        if (frame != nullptr && asked) {
            asked->reply = frame->bytes;
            exchanges.push_back(*asked);
            asked.reset();
        }
    }
    return exchanges;
}

std::vector<simulator::CapturedExchange> read_capture_file(const std::string& path)
{
    std::ifstream file(path);
    if (!file) {
        throw std::invalid_argument("cannot read the capture " + path);
    }
    return read_capture(file, path);
}

}  // namespace plugin_host
