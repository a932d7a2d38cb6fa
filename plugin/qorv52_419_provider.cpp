#include "plugin/qorv52_419_provider.h"

#include "device/qorv52_419.h"

qorv52_419Provider::~qorv52_419Provider() = default;

SMDSPDevice* qorv52_419Provider::create() const { return new qorv52_419(); }
