// The payload decoders of the three device groups, each writing its section
// of the measurement record.
#include "device/pmbuspower_419.h"
#include "protocol419/ac_decoders.h"
#include "protocol419/dc_decoders.h"
#include "protocol419/record.h"
#include "protocol419/rectifier_decoders.h"

template <class Data, int TypeId>
int pmbuspower_419<Data, TypeId>::parse40_41(const unsigned char* data, int len)
{
    return protocol419::parse_ac_analog(this->data_.ac, data, len);
}
template <class Data, int TypeId>
int pmbuspower_419<Data, TypeId>::parse40_43(const unsigned char* data, int len)
{
    return protocol419::parse_ac_status(this->data_.ac, data, len);
}
template <class Data, int TypeId>
int pmbuspower_419<Data, TypeId>::parse40_44(const unsigned char* data, int len)
{
    return protocol419::parse_ac_alarms(this->data_.ac, data, len);
}
template <class Data, int TypeId>
int pmbuspower_419<Data, TypeId>::parse41_41(const unsigned char* data, int len)
{
    return protocol419::parse_rectifier_analog(this->data_.rc, data, len);
}
template <class Data, int TypeId>
int pmbuspower_419<Data, TypeId>::parse41_43(const unsigned char* data, int len)
{
    return protocol419::parse_rectifier_status(this->data_.rc, data, len);
}
template <class Data, int TypeId>
int pmbuspower_419<Data, TypeId>::parse41_44(const unsigned char* data, int len)
{
    return protocol419::parse_rectifier_alarms(this->data_.rc, data, len);
}
template <class Data, int TypeId>
int pmbuspower_419<Data, TypeId>::parse42_41(const unsigned char* data, int len)
{
    return protocol419::parse_dc_analog(this->data_.dc, dc_i_adjust, data, len);
}
template <class Data, int TypeId>
int pmbuspower_419<Data, TypeId>::parse42_41_2(const unsigned char* data, int len)
{
    return protocol419::parse_dc_analog(this->data_.dc2, dc_i_adjust, data, len);
}
template <class Data, int TypeId>
int pmbuspower_419<Data, TypeId>::parse42_44(const unsigned char* data, int len)
{
    return protocol419::parse_dc_alarms(this->data_.dc, data, len);
}
template <class Data, int TypeId>
int pmbuspower_419<Data, TypeId>::parse42_44_2(const unsigned char* data, int len)
{
    return protocol419::parse_dc_alarms(this->data_.dc2, data, len);
}

template int pmbuspower_419<qorv52_419_Data_t, protocol419::RECORD_DATA_TYPE>::parse40_41(const unsigned char*, int);
template int pmbuspower_419<qorv52_419_Data_t, protocol419::RECORD_DATA_TYPE>::parse40_43(const unsigned char*, int);
template int pmbuspower_419<qorv52_419_Data_t, protocol419::RECORD_DATA_TYPE>::parse40_44(const unsigned char*, int);
template int pmbuspower_419<qorv52_419_Data_t, protocol419::RECORD_DATA_TYPE>::parse41_41(const unsigned char*, int);
template int pmbuspower_419<qorv52_419_Data_t, protocol419::RECORD_DATA_TYPE>::parse41_43(const unsigned char*, int);
template int pmbuspower_419<qorv52_419_Data_t, protocol419::RECORD_DATA_TYPE>::parse41_44(const unsigned char*, int);
template int pmbuspower_419<qorv52_419_Data_t, protocol419::RECORD_DATA_TYPE>::parse42_41(const unsigned char*, int);
template int pmbuspower_419<qorv52_419_Data_t, protocol419::RECORD_DATA_TYPE>::parse42_41_2(const unsigned char*, int);
template int pmbuspower_419<qorv52_419_Data_t, protocol419::RECORD_DATA_TYPE>::parse42_44(const unsigned char*, int);
template int pmbuspower_419<qorv52_419_Data_t, protocol419::RECORD_DATA_TYPE>::parse42_44_2(const unsigned char*, int);
