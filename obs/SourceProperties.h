// The settings dialog of a puppet source: the model file, then a slider per
// model parameter (named after it, with its range and default), placement,
// the idle motion, blinking, hair physics and lip sync. Choosing another
// model file rebuilds the parts that depend on the model.
#pragma once

#include <obs.h>

namespace tavrix_obs {

class PuppetSource;

obs_properties_t* buildProperties(PuppetSource& puppet, obs_source_t* source);

} // namespace tavrix_obs
