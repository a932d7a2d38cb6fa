#include "host/byte_line.h"

ByteLine::~ByteLine() = default;
