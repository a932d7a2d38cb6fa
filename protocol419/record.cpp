// The record's layout is checked at compile time by its header.
#include "protocol419/record.h"
