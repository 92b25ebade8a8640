// The "Tavrix Puppet" input source type (id tavrix_puppet_source): OBS's
// table of callbacks, each handing over to the source's PuppetSource and
// none letting a fault of ours reach OBS.
#pragma once

#include <obs.h>

namespace tavrix_obs {

constexpr const char* SOURCE_ID = "tavrix_puppet_source";

const obs_source_info& puppetSourceType();

} // namespace tavrix_obs
