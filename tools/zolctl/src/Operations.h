#pragma once

// The extended helper's operations: one by its name (`op`), the list of them (`ops`), and RefreshAll.

#include "Arguments.h"
#include "Outcome.h"

namespace zolctl {

Outcome RunOperation(const Request& request);
Outcome ListOperations();
// RefreshAll(mode); every record value afterwards.
Outcome RunRefresh(const Request& request);

} // namespace zolctl
