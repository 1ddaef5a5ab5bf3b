#pragma once

#include "command/DecoderChecks.h"

namespace zol::command {

// Stores what a frame of one reply command carries. A rule whose checks fail stores nothing.
using DecodeRule = void (*)(const FrameView&);

// The rule for a reply command, or null for commands whose replies carry nothing to keep.
DecodeRule FindDecodeRule(unsigned char replyCommand);

} // namespace zol::command
