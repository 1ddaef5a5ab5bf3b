// The answers a fresh simulated display gives: one row per command it knows.
#pragma once

#include "zolsim/DisplayModel.h"

namespace zolsim {

void FillDefaults(DisplayState& state, std::map<unsigned char, AnswerRule>& rules);

} // namespace zolsim
