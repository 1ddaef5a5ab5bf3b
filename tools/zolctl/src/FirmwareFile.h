#pragma once

// The firmware image is looked at before any display is touched: an update that cannot read its image
// would otherwise leave the displays in update mode.

#include <optional>
#include <string>

namespace zolctl {

// What is wrong with the image at `path` (missing, a directory or other non-regular file, unreadable,
// empty), as a sentence for the user; nothing when it can be uploaded.
std::optional<std::string> FirmwareFileProblem(const std::string& path);

} // namespace zolctl
