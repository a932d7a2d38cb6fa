// The payload decoders of the three device groups.
#include "device/pmbuspower_419.h"
#include "protocol419/record.h"

template <class Data, int TypeId>
int pmbuspower_419<Data, TypeId>::parse40_41(const unsigned char*, int)
{
    return -1;
}
template <class Data, int TypeId>
int pmbuspower_419<Data, TypeId>::parse40_43(const unsigned char*, int)
{
    return -1;
}
template <class Data, int TypeId>
int pmbuspower_419<Data, TypeId>::parse40_44(const unsigned char*, int)
{
    return -1;
}
template <class Data, int TypeId>
int pmbuspower_419<Data, TypeId>::parse41_41(const unsigned char*, int)
{
    return -1;
}
template <class Data, int TypeId>
int pmbuspower_419<Data, TypeId>::parse41_43(const unsigned char*, int)
{
    return -1;
}
template <class Data, int TypeId>
int pmbuspower_419<Data, TypeId>::parse41_44(const unsigned char*, int)
{
    return -1;
}
template <class Data, int TypeId>
int pmbuspower_419<Data, TypeId>::parse42_41(const unsigned char*, int)
{
    return -1;
}
template <class Data, int TypeId>
int pmbuspower_419<Data, TypeId>::parse42_41_2(const unsigned char*, int)
{
    return -1;
}
template <class Data, int TypeId>
int pmbuspower_419<Data, TypeId>::parse42_44(const unsigned char*, int)
{
    return -1;
}
template <class Data, int TypeId>
int pmbuspower_419<Data, TypeId>::parse42_44_2(const unsigned char*, int)
{
    return -1;
}

template int pmbuspower_419<qorv52_419_Data_t, 5535>::parse40_41(const unsigned char*, int);
template int pmbuspower_419<qorv52_419_Data_t, 5535>::parse40_43(const unsigned char*, int);
template int pmbuspower_419<qorv52_419_Data_t, 5535>::parse40_44(const unsigned char*, int);
template int pmbuspower_419<qorv52_419_Data_t, 5535>::parse41_41(const unsigned char*, int);
template int pmbuspower_419<qorv52_419_Data_t, 5535>::parse41_43(const unsigned char*, int);
template int pmbuspower_419<qorv52_419_Data_t, 5535>::parse41_44(const unsigned char*, int);
template int pmbuspower_419<qorv52_419_Data_t, 5535>::parse42_41(const unsigned char*, int);
template int pmbuspower_419<qorv52_419_Data_t, 5535>::parse42_41_2(const unsigned char*, int);
template int pmbuspower_419<qorv52_419_Data_t, 5535>::parse42_44(const unsigned char*, int);
template int pmbuspower_419<qorv52_419_Data_t, 5535>::parse42_44_2(const unsigned char*, int);
