#pragma once

// Where a display's PIN comes from. A PIN given on the command line shows in the process list, so the
// other sources come first in the help: a file (--pin-file, or the inventory's pin-file), the environment
// ($ZOL_PIN), or a prompt on the terminal (--ask-pin). A PIN is never logged, printed or put in JSON.

#include <optional>
#include <string>

namespace zolctl {

// The first line of the file, without its line end. Nothing and *error for a missing, unreadable or empty
// file. *warning is set when others than the owner may read it.
std::optional<std::string> ReadPinFile(const std::string& path, std::string* error, std::string* warning);

// Asks on the controlling terminal with echo off. Nothing and *error when there is no terminal.
std::optional<std::string> PromptForPin(const std::string& prompt, std::string* error);

// The PIN from $ZOL_PIN; nothing when it is unset.
std::optional<std::string> PinFromEnvironment();

} // namespace zolctl
