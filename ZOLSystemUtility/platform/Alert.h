#pragma once

#include <string>

namespace zol::platform {

// Stand-in for a modal message box: hands caption and text to the host's alert handler (CZOLAlert), or
// writes the text to the log and stderr when no handler is installed.
void ShowAlert(const std::string& caption, const std::string& text);

} // namespace zol::platform
