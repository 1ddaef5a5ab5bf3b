#include "zolsim/FaultText.h"

#include <array>
#include <charconv>
#include <limits>
#include <utility>

namespace zolsim {

namespace {

constexpr std::array<std::pair<std::string_view, FaultKind>, 17> kNames = {{
    {"drop", FaultKind::Drop},
    {"delay", FaultKind::Delay},
    {"split", FaultKind::Split},
    {"corrupt-checksum", FaultKind::CorruptChecksum},
    {"garbage-prefix", FaultKind::GarbagePrefix},
    {"wrong-id", FaultKind::WrongId},
    {"wrong-command", FaultKind::WrongCommand},
    {"duplicate", FaultKind::Duplicate},
    {"nak", FaultKind::Nak},
    {"close", FaultKind::Close},
    {"stall-handshake", FaultKind::StallHandshake},
    {"trickle", FaultKind::Trickle},
    {"endless-garbage", FaultKind::EndlessGarbage},
    {"oversized", FaultKind::Oversized},
    {"ill-formed", FaultKind::IllFormed},
    {"close-mid-reply", FaultKind::CloseMidReply},
    {"never-read", FaultKind::NeverRead},
}};

std::optional<int> ParseCount(std::string_view text) {
    int count = 0;
    const char* end = text.data() + text.size();
    const auto [stop, failure] = std::from_chars(text.data(), end, count);
    if (text.empty() || failure != std::errc{} || stop != end || count < 1) {
        return std::nullopt;
    }
    return count;
}

} // namespace

std::optional<Fault> ParseFaultText(std::string_view text, std::string& error) {
    const std::size_t colon = text.find(':');
    const std::string_view name = text.substr(0, colon);
    Fault fault;
    bool known = false;
    for (const auto& [kindName, kind] : kNames) {
        if (name == kindName) {
            fault.kind = kind;
            known = true;
        }
    }
    if (!known) {
        error = "unknown fault kind \"" + std::string(name) + "\" (kinds: " + FaultKindNames() + ")";
        return std::nullopt;
    }
    if (colon != std::string_view::npos) {
        const std::optional<int> count = ParseCount(text.substr(colon + 1));
        if (!count) {
            error = "bad count in --fault " + std::string(text) + ": a whole number from 1 to " +
                    std::to_string(std::numeric_limits<int>::max());
            return std::nullopt;
        }
        fault.times = *count;
    }
    if (fault.kind == FaultKind::Delay) {
        fault.delayMs = kNamedDelayMs;
    }
    return fault;
}

std::string FaultKindNames() {
    std::string names;
    for (const auto& entry : kNames) {
        names += (names.empty() ? "" : ", ") + std::string(entry.first);
    }
    return names;
}

} // namespace zolsim
