#pragma once

// The service's own log lines on stderr, which the service manager keeps in its journal: one line each,
// with a priority prefix the journal understands ("<3>" error, "<4>" warning, "<6>" info). Lines never
// carry a PIN or the token; callers pass only names, addresses and reasons.

#include <string>

namespace zold {

enum class LogLevel { Error, Warning, Info };

void Log(LogLevel level, const std::string& text);

// The line Log writes, without its line break. A control character in `text` (a request path may carry
// a decoded line break) is written as \xNN, so that no text can end its line and forge another.
std::string LogLine(LogLevel level, const std::string& text);

} // namespace zold
