#pragma once

// zolctl run in-process as a person runs it: its words in; its exit status, stdout, stderr, and stdout
// parsed as JSON out. For the tests of the command-line tool, which link its library.

#include "Cli.h"

#include <nlohmann/json.hpp>

#include <sstream>
#include <string>
#include <vector>

namespace zoltest {

struct Ran {
    int exitCode = -1;
    std::string out;
    std::string err;
    nlohmann::json json; // stdout parsed, when it is JSON
};

inline Ran Zolctl(const std::vector<std::string>& words) {
    std::ostringstream out;
    std::ostringstream err;
    Ran ran;
    ran.exitCode = zolctl::Run(words, out, err);
    ran.out = out.str();
    ran.err = err.str();
    ran.json = nlohmann::json::parse(ran.out, nullptr, false);
    return ran;
}

} // namespace zoltest
