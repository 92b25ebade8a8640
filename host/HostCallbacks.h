#pragma once

#include "AEGP_Suites.h"
#include "PF_Suites.h"

namespace tavrix_host {

// The function tables the host hands to effects. Every function works on
// Host::active().
struct HostCallbacks {
    static const SPBasicSuite basicSuite;
    static const PF_InteractCallbacks interact;
    static PF_UtilCallbacks utils;
};

} // namespace tavrix_host
