#include "alarms/model_rules.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

namespace alarms {

namespace {

using protocol419::ac_channel_block;
using protocol419::rectifier_module_block;

// One rule on a user-defined alarm byte of an AC input: active when the byte
// holds exactly the alarm code. The texts are strings once for good: the
// daemon takes them as strings every round.
struct ac_input_rule {
    int level;
    std::string key;
    std::string id;
    std::string name;
    std::size_t byte;
    std::uint8_t alarm_code;
};

const ac_input_rule ac_input_rules[] = {
    {1, "QORV52_R874V41_AC_0", "419410701", "交流输入空开跳告警", 0, 0x05},
    {1, "QORV52_R874V41_AC_1", "419415001", "交流输入停电告警", 1, 0xE0},
    {2, "QORV52_R874V41_AC_2", "419410901", "防雷器故障告警", 2, 0xE1},
};

constexpr int MODULE_FAULT_LEVEL = 3;
const std::string MODULE_FAULT_KEY = "P716SRC_0";
const std::string MODULE_FAULT_ID = "419430501";
const std::string MODULE_FAULT_DESC = "1";
constexpr std::uint8_t MODULE_FAULT_CODE = 0x01;

// The texts that name an input or a module depend on its number alone. They
// are written once, on first use, for every block the record holds, and
// shared by all devices; a round only looks them up.
struct numbered_texts {
    std::string input_desc[protocol419::AC_CHANNEL_BLOCKS];         // 第1路交流输入-输入告警
    std::string module_name[protocol419::RECTIFIER_MODULE_BLOCKS];  // 模块1模块故障告警状态
};

const numbered_texts& texts()
{
    static const numbered_texts built = [] {
        numbered_texts t;
        for (unsigned n = 1; n <= protocol419::AC_CHANNEL_BLOCKS; ++n) {
            t.input_desc[n - 1] = "第" + std::to_string(n) + "路交流输入-输入告警";
        }
        for (unsigned m = 1; m <= protocol419::RECTIFIER_MODULE_BLOCKS; ++m) {
            t.module_name[m - 1] = "模块" + std::to_string(m) + "模块故障告警状态";
        }
        return t;
    }();
    return built;
}

unsigned short take_number(unsigned short& seq)
{
    const unsigned short number = seq;
    seq = static_cast<unsigned short>(number + 1u);
    return number;
}

void check_ac_inputs(const qorv52_419_Data_t& record, unsigned short& seq, alarm_reporter& reporter)
{
    // The count comes from the power system; the record has room for two inputs.
    const unsigned inputs = std::min<unsigned>(record.ac.channel_count, protocol419::AC_CHANNEL_BLOCKS);
    const numbered_texts& named = texts();
    for (unsigned n = 1; n <= inputs; ++n) {
        const ac_channel_block& block = record.ac.acChannel[n - 1];
        // The bytes mean something only when the input sent all of them.
        if (block.p40_44_count != ac_channel_block::p40_44_SIZE()) {
            continue;
        }
        for (const ac_input_rule& rule : ac_input_rules) {
            const bool active = block.p40_44[rule.byte] == rule.alarm_code;
            reporter.report(rule.level, rule.key, rule.id, named.input_desc[n - 1], rule.name, active,
                            take_number(seq));
        }
    }
}

void check_rectifier_modules(const qorv52_419_Data_t& record, unsigned short& seq, alarm_reporter& reporter)
{
    // The count comes from the power system; the record has room for forty modules.
    const unsigned modules = std::min<unsigned>(record.rc.channel_count, protocol419::RECTIFIER_MODULE_BLOCKS);
    const numbered_texts& named = texts();
    for (unsigned m = 1; m <= modules; ++m) {
        const rectifier_module_block& block = record.rc.rcChannel[m - 1];
        if (block.p41_44_count != rectifier_module_block::P41_44_SIZE()) {
            continue;
        }
        const bool active = block.p41_44[0] == MODULE_FAULT_CODE;
        reporter.report(MODULE_FAULT_LEVEL, MODULE_FAULT_KEY, MODULE_FAULT_ID, MODULE_FAULT_DESC,
                        named.module_name[m - 1], active, take_number(seq));
    }
}

}  // namespace

void check_model_rules(const qorv52_419_Data_t& record, bool has_ac, unsigned short& seq, alarm_reporter& reporter)
{
    if (has_ac) {
        check_ac_inputs(record, seq, reporter);
    }
    check_rectifier_modules(record, seq, reporter);
}

}  // namespace alarms
