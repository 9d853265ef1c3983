// The names the About box shows for the hosts the framework identifies.
#pragma once

#include "framework/HostIdentification.h"

namespace kd {

// Any thread. The display name of a host; "Unknown" for no match and before the host named itself.
const char* HostDisplayName(fx::EHost host);

}  // namespace kd
