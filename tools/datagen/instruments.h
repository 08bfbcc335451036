// Turns the synthesised voices into XM instruments: tuning, loop, level,
// volume envelope and release, in the slot order of the roles in core/base/demo_data.h.
#pragma once

#include <vector>

#include "xm/xm_writer.h"

namespace datagen {

std::vector<xm::Instrument> make_instruments();

}  // namespace datagen
