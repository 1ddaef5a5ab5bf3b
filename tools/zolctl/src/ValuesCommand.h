#pragma once

// `values`: every record value by its JSON name, with the replies (command code, and sub-code where the
// reply is sub-coded) that store it, found by decoding each kind of reply into a watched record.

#include "Outcome.h"

namespace zolctl {

Outcome ListValues();

} // namespace zolctl
