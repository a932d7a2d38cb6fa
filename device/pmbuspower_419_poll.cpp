// The poll round: refresh gate, request sequence and reply dispatch.
#include "device/pmbuspower_419.h"
#include "protocol419/record.h"

template <class Data, int TypeId>
int pmbuspower_419<Data, TypeId>::RefreshStatus()
{
    return 0;
}

template <class Data, int TypeId>
int pmbuspower_419<Data, TypeId>::process_payload()
{
    return 0;
}

template int pmbuspower_419<qorv52_419_Data_t, 5535>::RefreshStatus();
template int pmbuspower_419<qorv52_419_Data_t, 5535>::process_payload();
