#pragma once

// zold's command line: the options, merged over the config file they may name. Parsing reads the config
// file but touches no network and no display.

#include "Config.h"

#include <string>
#include <vector>

namespace zold {

enum class OptionsStatus {
    Run,   // `config` is ready
    Help,  // --help or --version: print `text` on stdout, exit 0
    Usage, // print `text` on stderr, exit 2
};

struct OptionsResult {
    OptionsStatus status = OptionsStatus::Usage;
    ServiceConfig config;
    std::string configFile; // --config as given; empty when none
    std::string text;
};

// `arguments` are the words after the program name.
OptionsResult ParseOptions(const std::vector<std::string>& arguments);

} // namespace zold
