#include "protocol/PayloadTable.h"

#include "protocol/PayloadRules.h"

#include <array>
#include <cstddef>

namespace zol::payload {

namespace {

using enum Family;

constexpr Entry Q(unsigned char code) {
    return {.code = code, .family = Query};
}
constexpr Entry B(unsigned char code) {
    return {.code = code, .family = QueryOrByte};
}
constexpr Entry L(unsigned char code, Rule rule) {
    return {.code = code, .family = QueryOrLayout, .rule = rule};
}
constexpr Entry C(unsigned char code, Rule rule) {
    return {.code = code, .family = ByCount, .rule = rule};
}
constexpr Entry S(unsigned char code, Rule rule) {
    return {.code = code, .family = SubCoded, .rule = rule};
}

// One row per command code. Rows with a wait or a pause of their own spell it out.
// clang-format off
constexpr Entry kTable[] = {
    // Always a query; 0x00 is also the status query of the framing probe, 0x0D the system-health query.
    Q(0x00), Q(0x04), Q(0x06), Q(0x08), Q(0x0B), Q(0x0D), Q(0x0E), Q(0x10), Q(0x1D), Q(0x67), Q(0x83),
    Q(0x8A), Q(0xC4), Q(0xCB),

    // A query, or the one byte d0.
    B(0x11), B(0x12), B(0x18), B(0x1F), B(0x24), B(0x25), B(0x26), B(0x27), B(0x28), B(0x29), B(0x2A),
    B(0x2B), B(0x2C), B(0x2D), B(0x2E), B(0x33), B(0x36), B(0x37), B(0x38), B(0x3C), B(0x3E), B(0x3F),
    B(0x40), B(0x42), B(0x43), B(0x44), B(0x47), B(0x4A), B(0x56), B(0x58), B(0x59), B(0x5D), B(0x5F),
    B(0x71), B(0x73), B(0x75), B(0x78), B(0x79), B(0x84), B(0x85), B(0x86), B(0x87), B(0x8F), B(0x92),
    B(0x94), B(0x95), B(0x96), B(0x9D), B(0xB1), B(0xB5), B(0xC3), B(0xF9),
    {.code = 0x13, .family = QueryOrByte, .dataPauseBeforeMs = 500},
    {.code = 0x14, .family = QueryOrByte, .dataReplyWaitMs = 7000},
    {.code = 0x70, .family = QueryOrByte, .silentToAll = true},
    {.code = 0xA9, .family = QueryOrByte, .pauseAfterMs = 200},

    // A query, or a fixed data layout.
    L(0x03, Pick<kLayout03>),      L(0x0F, Pick<kThreeBytes>),    L(0x15, Pick<kLayout15>),
    L(0x17, Pick<kLayout17>),      L(0x4C, Pick<kFourBytes>),     L(0x5B, Rule5B),
    L(0x63, Rule63),               L(0xA3, Pick<kTwoBytes>),      L(0xA4, Pick<kFifteenBytes>),
    L(0xA5, Pick<kFifteenBytes>),  L(0xA6, Pick<kFifteenBytes>),  L(0xAB, Pick<kFifteenBytes>),
    L(0xAC, Pick<kFifteenBytes>),  L(0xAD, Pick<kFifteenBytes>),  L(0xAE, Pick<kFifteenBytes>),
    L(0xA7, Pick<kSevenBytes>),    L(0xB6, Pick<kTwelveBytes>),   L(0xB7, Pick<kEightBytes>),

    // Chosen by the data count; no data is refused where a byte must be read.
    C(0x21, Rule21), C(0x50, Pick<kOneByte>), C(0xB0, Pick<kOneByte>), C(0xB9, RuleB9), C(0xC0, RuleC0),
    C(0xC6, RuleC6),
    {.code = 0x9F, .family = ByCount, .rule = Pick<kOneByte>, .dataReplyWaitMs = 12000, .silentToAll = true},
    {.code = 0xA8, .family = ByCount, .rule = Pick<kFiveBytes>, .pauseAfterMs = 200},
    {.code = 0xC7, .family = ByCount, .rule = RuleC7, .silentToAll = true},

    // Sub-coded.
    S(0x1B, Rule1B), S(0x1C, Rule1C), S(0x8C, Rule8C), S(0xC8, RuleC8), S(0xCA, RuleCA), S(0xD1, RuleD1),
    S(0xD2, RuleD2), S(0xFE, RuleFE),
    {.code = 0xD0, .family = SubCoded, .rule = RuleD0, .silentToAll = true},
};
// clang-format on

constexpr std::size_t kNone = 0xFFFF;

constexpr std::array<std::size_t, 256> MakeIndex() {
    std::array<std::size_t, 256> index{};
    index.fill(kNone);
    for (std::size_t row = 0; row < std::size(kTable); ++row) {
        index[kTable[row].code] = row;
    }
    return index;
}

constexpr std::array<std::size_t, 256> kIndex = MakeIndex();

constexpr bool EveryCodeOnce() {
    std::size_t distinct = 0;
    for (std::size_t row : kIndex) {
        distinct += row != kNone ? 1 : 0;
    }
    return distinct == std::size(kTable);
}
static_assert(EveryCodeOnce(), "a command code has two rows in the payload table");

} // namespace

const Entry* Lookup(unsigned char code) {
    const std::size_t row = kIndex[code];
    return row == kNone ? nullptr : &kTable[row];
}

bool PlanRequest(const Request& request, Plan& plan) {
    plan = Plan{};
    plan.code = request.code;
    plan.id = request.id;
    plan.replyWaitMs = request.replyTimeoutMs;

    const Entry* entry = Lookup(request.code);
    if (entry == nullptr) {
        return Refuse(plan, "command code not in the payload table");
    }
    if (request.HasData()) {
        plan.pauseBeforeMs = entry->dataPauseBeforeMs;
        if (entry->dataReplyWaitMs != 0) {
            plan.replyWaitMs = entry->dataReplyWaitMs;
        }
    }
    plan.pauseAfterMs = entry->pauseAfterMs;

    bool built = true;
    switch (entry->family) {
    case Query:
        plan.Query();
        break;
    case QueryOrByte:
        built = !request.HasData() || plan.PutData(request, 0, 1) || Refuse(plan, "no data byte");
        break;
    case QueryOrLayout:
        if (!request.HasData()) {
            plan.Query();
            break;
        }
        [[fallthrough]];
    case ByCount:
    case SubCoded:
        built =
            entry->rule != nullptr ? entry->rule(request, plan) : Refuse(plan, "no rule for this command");
        break;
    }
    if (!built) {
        return false;
    }
    if (plan.frame == Frame::Standard && plan.Count() > kMaxShortData) {
        return Refuse(plan, "more data bytes than one length byte counts");
    }
    if (entry->silentToAll && request.id == kAllDisplays) {
        plan.awaitReply = false;
    }
    return true;
}

} // namespace zol::payload
