// Section types of the measurement record. Their value parameters fix the
// capacities of the record's lists; the decoders read the capacities back
// through the static member functions. A capacity of 0 means the stored
// format has no slots for those items: only their count is kept.
#pragma once

#include <cstdint>

#include "protocol419/le_bytes.h"

namespace protocol419 {

// One AC input channel block, 27 bytes.
template <unsigned P4041Size, unsigned P4044Size>
struct tele_c_pmbuspower_ac_channel {
    static_assert(P4041Size == 0, "the stored record has no slots for user-defined AC analog values");
    static constexpr unsigned P40_41_SIZE() { return P4041Size; }
    static constexpr unsigned p40_44_SIZE() { return P4044Size; }

    f32_le a;  // phase A input voltage
    f32_le b;  // phase B input voltage
    f32_le c;  // phase C input voltage
    f32_le f;  // input frequency
    std::uint8_t p40_41_count;
    std::uint8_t a_alarm;
    std::uint8_t b_alarm;
    std::uint8_t c_alarm;
    std::uint8_t f_alarm;
    std::uint8_t p40_44_count;
    std::uint8_t p40_44[P4044Size];  // airlock trip, input power failure, surge protector, 2 unused
};

using ac_channel_block = tele_c_pmbuspower_ac_channel<0, 5>;

// Number of AC input channel blocks the record holds.
constexpr unsigned AC_CHANNEL_BLOCKS = 2;

// The AC distribution section, from record offset 8 to 88.
template <unsigned AirlockMax, unsigned P4043Size>
struct tele_c_pmbuspower_ac {
    static constexpr unsigned AIRLOCK_MAX() { return AirlockMax; }
    static constexpr unsigned P40_43_SIZE() { return P4043Size; }

    f32_le ia;  // AC output current, phase A
    f32_le ib;
    f32_le ic;
    std::uint8_t channel_count;
    std::uint8_t airlock_count;
    std::uint8_t airlock[AirlockMax];
    std::uint8_t p40_43_count;
    std::uint8_t p40_43[P4043Size];
    std::uint8_t ia_alarm;
    std::uint8_t ib_alarm;
    std::uint8_t ic_alarm;
    std::uint8_t reserved_28[7];
    ac_channel_block acChannel[AC_CHANNEL_BLOCKS];
};

using ac_section = tele_c_pmbuspower_ac<1, 1>;

// One rectifier module block, 16 bytes.
template <unsigned P4141Size, unsigned P4143Size, unsigned P4144Size>
struct tele_c_pmbuspower_rc_channel {
    static_assert(P4143Size == 0, "the stored record has no slots for user-defined rectifier status bytes");
    static constexpr unsigned P41_41_SIZE() { return P4141Size; }
    static constexpr unsigned P41_43_SIZE() { return P4143Size; }
    static constexpr unsigned P41_44_SIZE() { return P4144Size; }

    f32_le current;  // module output current
    std::uint8_t p41_41_count;
    f32_le p41_41[P4141Size];
    std::uint8_t state_1;
    std::uint8_t state_2;
    std::uint8_t state_3;
    std::uint8_t p41_43_count;
    std::uint8_t alarm;
    std::uint8_t p41_44_count;
    std::uint8_t p41_44[P4144Size];  // module fault state
};

using rectifier_module_block = tele_c_pmbuspower_rc_channel<1, 0, 1>;

// Number of rectifier module blocks the record holds.
constexpr unsigned RECTIFIER_MODULE_BLOCKS = 40;

// The rectifier section, from record offset 89 to 733.
struct rectifier_section {
    f32_le out_v;  // rectifier output voltage
    std::uint8_t channel_count;
    rectifier_module_block rcChannel[RECTIFIER_MODULE_BLOCKS];
};

// One DC distribution unit block, 127 bytes.
template <unsigned MSize, unsigned NSize, unsigned PSize, unsigned AlertMSize, unsigned AlertPSize>
struct tele_c_pmbuspower_dc {
    static_assert(NSize == 0, "the stored record has no slots for DC branch currents");
    static constexpr unsigned M_SIZE() { return MSize; }
    static constexpr unsigned N_SIZE() { return NSize; }
    static constexpr unsigned P_SIZE() { return PSize; }
    static constexpr unsigned ALERT_M_SIZE() { return AlertMSize; }
    static constexpr unsigned ALERT_P_SIZE() { return AlertPSize; }

    f32_le out_v;  // DC output voltage
    f32_le out_i;  // total load current, after the dc_i_adjust factor
    std::uint8_t m_count;
    f32_le m[MSize];  // battery group currents
    std::uint8_t n_count;
    std::uint8_t p_count;
    f32_le p[PSize];
    std::uint8_t out_v_alert;
    std::uint8_t alert_m_count;
    std::uint8_t alert_m[AlertMSize];  // fuse and switch states
    std::uint8_t alert_p_count;
    std::uint8_t alert_p[AlertPSize];
    std::uint8_t reserved[7];
};

using dc_unit_block = tele_c_pmbuspower_dc<4, 0, 10, 4, 46>;

}  // namespace protocol419
