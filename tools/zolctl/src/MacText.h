#pragma once

// Hardware addresses as people write them: "001122334455", "00:11:22:33:44:55" or "00-11-22-33-44-55".

#include <optional>
#include <string>

namespace zolctl {

// The twelve hexadecimal digits the library's Wake-on-LAN takes, from any of the three forms (digits in
// either case, kept as typed). Nothing for any other text: a separator other than ':' or '-', the two
// mixed, a missing or doubled one, or a group that is not two hexadecimal digits.
std::optional<std::string> MacDigits(const std::string& text);

} // namespace zolctl
