#include "tools/plugin-host/scenario/capture_reader.h"

#include <fstream>
#include <optional>
#include <sstream>
#include <stdexcept>

#include "tools/plugin-host/common/hex_text.h"
#include "tools/plugin-host/common/input_file.h"
#include "tools/plugin-host/scenario/scenario_parser.h"

namespace plugin_host {

namespace {

// "# 09:31:02.125 sent 40/41 01": the command pair and the INFO, when the
// line is a request the capture noted.
std::optional<simulator::CapturedExchange> sent_request(const std::string& line)
{
    std::istringstream words(line);
    std::string mark, time, verb, pair, info, more;
    if (!(words >> mark >> time >> verb >> pair) || mark != "#" || verb != "sent" || pair.size() != 5 ||
        pair[2] != '/') {
        return std::nullopt;
    }
    words >> info;
    std::vector<std::uint8_t> cid;
    std::string error;
    simulator::CapturedExchange request;
    if (words >> more || !parse_hex(pair.substr(0, 2) + pair.substr(3), cid, error) ||
        !parse_hex(info, request.request_info, error)) {
        return std::nullopt;
    }
    request.cid1 = cid[0];
    request.cid2 = cid[1];
    return request;
}

}  // namespace

std::vector<simulator::CapturedExchange> read_capture(std::istream& in, const std::string& name)
{
    std::vector<simulator::CapturedExchange> exchanges;
    std::optional<simulator::CapturedExchange> asked;
    std::string line;
    long number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line[0] == '#') {
            if (auto request = sent_request(line)) {
                asked = std::move(request);
            }
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
    std::ifstream file = open_input_stream(path, "capture");
    std::vector<simulator::CapturedExchange> exchanges = read_capture(file, path);
    if (exchanges.empty()) {
        throw std::invalid_argument(path + ": not a capture: it holds no request noted as \"# ... sent\" "
                                           "followed by its reply frame");
    }
    return exchanges;
}

}  // namespace plugin_host
