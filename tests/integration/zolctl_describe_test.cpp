// What zolctl says about operations and values: the notes of the operation table checked against what
// the operations send, `ops --describe`, `values`, `op NAME --help`, and docs/operations.md kept in step
// with the table.

#if __has_include("Cli.h")

#include "Cli.h"
#include "Describe.h"
#include "Rehearsal.h"

#include "helpers/OperationTable.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Json = nlohmann::json;
using Words = std::vector<std::string>;
using zol::helpers::ArgKind;

struct Ran {
    int exitCode = -1;
    std::string out;
    std::string err;
    Json json;
};

[[maybe_unused]] Ran Zolctl(const Words& words) {
    std::ostringstream out;
    std::ostringstream err;
    Ran ran;
    ran.exitCode = zolctl::Run(words, out, err);
    ran.out = out.str();
    ran.err = err.str();
    ran.json = Json::parse(ran.out, nullptr, false);
    return ran;
}

std::vector<zolsim::Bytes> Sent(const zol::helpers::Operation& op, const Words& args) {
    const zolctl::Rehearsal rehearsal =
        zolctl::Rehearse([&](ICommunicationHelperExtended& helper, std::string* error) {
            return op.invoke(helper, args, error).has_value();
        });
    std::vector<zolsim::Bytes> sent;
    for (const zolsim::Request& request : rehearsal.requests) {
        sent.push_back(request.raw);
    }
    return sent;
}

// An int argument of which only the low byte reaches the wire takes 0..255, and says so; every other
// keeps the 32-bit range. Found by sending values that differ only in the low byte, and only above it.
TEST(OperationNotes, LowByteLimitsMatchWhatTheOperationsSend) {
    for (const zol::helpers::Operation& op : zol::helpers::Operations()) {
        std::vector<std::size_t> ints;
        Words base;
        for (std::size_t i = 0; i < op.args.size(); ++i) {
            if (op.args[i] == ArgKind::Int || op.args[i] == ArgKind::Byte) {
                if (op.args[i] == ArgKind::Int) {
                    ints.push_back(i);
                }
                base.emplace_back("1");
            } else if (!zol::helpers::IsOut(op.args[i])) {
                base.clear();
                break; // lists and texts are covered by the wire tests
            }
        }
        if (ints.empty() || base.size() != op.InCount()) {
            continue;
        }
        for (std::size_t position = 0; position < ints.size(); ++position) {
            const std::size_t at = ints[position];
            std::size_t inAt = 0;
            for (std::size_t i = 0; i < at; ++i) {
                inAt += zol::helpers::IsOut(op.args[i]) ? 0 : 1;
            }
            const auto sentWith = [&](const char* value) {
                Words args = base;
                args[inAt] = value;
                return Sent(op, args);
            };
            const bool lowByteReachesTheWire = sentWith("5") != sentWith("6");
            if (op.limits[at].max == 255) {
                EXPECT_TRUE(lowByteReachesTheWire)
                    << op.name << " argument " << inAt + 1 << " is marked 0..255 but is not sent";
                EXPECT_TRUE(sentWith("0x0105").empty()) << op.name << " argument " << inAt + 1;
                continue;
            }
            EXPECT_FALSE(lowByteReachesTheWire && sentWith("0x0105") == sentWith("0x0205"))
                << op.name << " argument " << inAt + 1 << " sends only its low byte: mark it 0..255";
        }
    }
}

} // namespace

#endif
