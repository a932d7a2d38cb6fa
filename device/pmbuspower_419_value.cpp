// The value query: "out_v" and "ac".
#include <stdexcept>

#include "device/pmbuspower_419.h"
#include "protocol419/record.h"

template <class Data, int TypeId>
float pmbuspower_419<Data, TypeId>::Get_Value(unsigned int, const std::string&) const
{
    throw std::out_of_range("数据未就绪");
}

template float pmbuspower_419<qorv52_419_Data_t, 5535>::Get_Value(unsigned int, const std::string&) const;
