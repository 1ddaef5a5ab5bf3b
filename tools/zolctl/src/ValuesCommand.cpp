#include "ValuesCommand.h"

#include "LFDData.h"
#include "LFDValueVisitor.h"
#include "command/DecoderRules.h"
#include "command/ReplyDecoder.h"
#include "fleet/ChangeWatch.h"
#include "zolsim/Wire.h"

#include <map>
#include <set>

namespace zolctl {

namespace {

// A reply of every data length up to this is tried: enough for every fixed-length reply layout.
constexpr std::size_t kLongestTried = 40;

// Per value name: per command code, the sub-codes whose replies store it.
using Finds = std::map<std::string, std::map<int, std::set<int>>>;

void DecodeEvery(unsigned char code, CLFDData& record, Finds& finds) {
    for (int sub = 0; sub < 256; ++sub) {
        for (std::size_t length = 1; length <= kLongestTried; ++length) {
            zolsim::Answer answer{zolsim::kAck, code, zolsim::Bytes(length, 1)};
            answer.values[0] = static_cast<unsigned char>(sub);
            const zolsim::Bytes reply = zolsim::IsLongFrameCode(code) ? zolsim::LongReply(1, answer)
                                                                      : zolsim::StandardReply(1, answer);
            zol::fleet::ChangeWatch watch(record);
            zol::command::DecodeReply(reply.data(), static_cast<int>(reply.size()), &watch, code);
            for (const std::string& name : watch.Stored()) {
                finds[name][code].insert(sub);
            }
        }
    }
}

std::string Hex(int value) {
    static const char* digits = "0123456789ABCDEF";
    std::string text = "0x";
    text.push_back(digits[(value >> 4) & 0xF]);
    text.push_back(digits[value & 0xF]);
    return text;
}

} // namespace

Outcome ListValues() {
    CLFDData record;
    record.SetDisplayId(1);
    Finds finds;
    for (int code = 0; code < 256; ++code) {
        if (zol::command::FindDecodeRule(static_cast<unsigned char>(code)) != nullptr) {
            DecodeEvery(static_cast<unsigned char>(code), record, finds);
        }
    }
    // A reply is sub-coded when none of its values is stored whatever its first data byte: otherwise
    // that byte is a value of its own (a yes/no value stores only for 0 and 1) and no sub-code.
    std::set<int> plain;
    for (const auto& [name, codes] : finds) {
        for (const auto& [code, subs] : codes) {
            if (subs.size() == 256) {
                plain.insert(code);
            }
        }
    }
    Json values = Json::array();
    std::string text;
    for (const LFDNamedValue& named : LFDValues::Snapshot(record)) {
        Json replies = Json::array();
        std::string shown;
        const auto found = finds.find(named.name);
        if (found != finds.end()) {
            for (const auto& [code, subs] : found->second) {
                if (plain.count(code) != 0) {
                    replies.push_back({{"command", code}, {"subCode", nullptr}});
                    shown += (shown.empty() ? "" : ", ") + Hex(code);
                    continue;
                }
                for (const int sub : subs) {
                    replies.push_back({{"command", code}, {"subCode", sub}});
                    shown += (shown.empty() ? "" : ", ") + Hex(code) + " sub-code " + Hex(sub);
                }
            }
        }
        values.push_back({{"name", named.name}, {"setBy", replies}});
        text +=
            named.name + ": " + (shown.empty() ? "no reply (set by the library or the host)" : shown) + "\n";
    }
    Outcome outcome;
    outcome.json["values"] = std::move(values);
    outcome.text = std::move(text);
    return outcome;
}

} // namespace zolctl
