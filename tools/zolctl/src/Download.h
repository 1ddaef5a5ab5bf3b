#pragma once

#include "Arguments.h"
#include "Outcome.h"

namespace zolctl {

// DownloadFileOverTls for --host into OUTFILE; JSON: {"result": true|false, "connectStatus": N}.
Outcome RunDownload(const Request& request);

} // namespace zolctl
