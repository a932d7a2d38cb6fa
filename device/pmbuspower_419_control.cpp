// Control commands: date and time, DC parameters, rectifier remote control.
#include "device/pmbuspower_419.h"
#include "protocol419/record.h"

template <class Data, int TypeId>
int pmbuspower_419<Data, TypeId>::DeviceIoControl(int, const void*, int, void*, int, int& outUsed)
{
    outUsed = 0;
    return 0;
}

template int pmbuspower_419<qorv52_419_Data_t, 5535>::DeviceIoControl(int, const void*, int, void*, int, int&);
