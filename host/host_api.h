// Symbols of the host framework library that device plug-ins link against.
#pragma once

#define HOST_API __attribute__((visibility("default")))
