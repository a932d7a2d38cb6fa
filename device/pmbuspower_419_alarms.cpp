// The system alarm rules, judged after every completed round.
#include "device/pmbuspower_419.h"
#include "protocol419/record.h"

template <class Data, int TypeId>
void pmbuspower_419<Data, TypeId>::RunCheckThreshold()
{
}

template void pmbuspower_419<qorv52_419_Data_t, 5535>::RunCheckThreshold();
