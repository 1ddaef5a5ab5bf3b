// What a fresh simulated display reports for the multi-value settings (clock, timer, DSTClock,
// maintenance, the 0x21 record pages, modules, block rows) and what its controller registers hold at
// start.
#pragma once

#include "zolsim/DisplayModel.h"

namespace zolsim {

void AddRecordRows(DisplayState& state, std::map<unsigned char, AnswerRule>& rules);

} // namespace zolsim
