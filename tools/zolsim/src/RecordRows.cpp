#include "RecordRows.h"

#include <memory>
#include <string>

namespace zolsim {

namespace {

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts) {
        out.insert(out.end(), part.begin(), part.end());
    }
    return out;
}

Bytes Text(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

// Each module reports an 11-character serial text and a 5-character version text.
Bytes ModuleList() {
    return Concat({{0x02}, Text("ZSM55A00017"), Text("1.0.2"), Text("ZSM55A00018"), Text("1.0.3")});
}

struct ValueRow {
    unsigned char code;
    Bytes initial;
};

// Clock: day, hour, minute, month, year high, low, pm. Timer: on time and flag, off time and flag,
// repeat, days, volume, source, holiday and two reserved bytes. Daylight saving: twelve settings and a
// flag the display only reports. Maintenance: the 21-byte layout (its length byte is 21).
const ValueRow kValueRows[] = {
    {0xA7, {6, 2, 30, 12, 0x07, 0xEA, 0}},
    {0xA4, {7, 30, 0, 1, 10, 45, 1, 1, 1, 0, 20, 0x21, 0, 0, 0}},
    {0xB6, {1, 3, 5, 0, 2, 0, 10, 5, 0, 3, 0, 1, 1}},
    {0x08, {1, 0x10, 0x20, 50, 60, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}},
};

struct SubRow {
    unsigned char code;
    unsigned char sub;
    Bytes initial;
};

// Picture settings behind 0x21 and the module list behind 0xD0 (the 0xD2 road reports none at start).
const SubRow kSubRows[] = {
    {0x21, 0x07, {33, 1, 35, 0, 49, 1, 51, 0, 37, 1}}, // port code, wide colour on
    {0x21, 0x20, {1, 2, 0x01, 0x00, 0x02, 0x00, 0x03, 0x00, 0x04, 0x00, 5}},
    {0x21, 0x18, {1, 0x01, 0xF4, 0x03, 0xE8, 2, 0x00, 0x64}},
    {0x21, 0x19, {0x00, 0x10, 0x00, 0x20, 0x00, 0x30, 0x00, 0x40, 0x00, 0x50}},
    {0x21, 0x1A, {0x01, 0x10, 0x01, 0x20, 0x01, 0x30, 0x01, 0x40, 0x01, 0x50}},
    {0x21, 0x1B, {0x02, 0x10, 0x02, 0x20, 0x02, 0x30, 0x02, 0x40, 0x02, 0x50}},
    {0x21, 0x10, {1, 2, 3, 4, 5}},
    {0x21, 0x11, {0x04, 0x00, 0, 0, 0, 0, 0, 0, 0x04, 0x00, 0, 0, 0, 0, 0, 0, 0x04, 0x00}},
    {0x21, 0x12, {0x02, 0x00, 0, 0, 0, 0, 0, 0, 0x02, 0x00, 0, 0, 0, 0, 0, 0, 0x02, 0x00}},
    {0x21, 0x13, {10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120}},
    {0x21, 0x14, {12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1}},
    {0xD0, 0xA0, ModuleList()},
};

// The controller's registers at start: the size and scan parameters the table writes read back, the
// matrix at full scale on its diagonal, and the FPGA settings.
const std::pair<unsigned, unsigned> kRegisters[] = {
    {0xF2, 1},      {0xF8, 0x10},   {0x58, 6},      {0x59, 4},        {0x40, 0xFFFF}, {0x44, 0xFFFF},
    {0x48, 0xFFFF}, {0xD100, 0x12}, {0xD101, 0x34}, {0xD102, 0x0100}, {0xD103, 3},    {0xD133, 0x0FFF},
};

// Block rows per selector. A query names its selector(s); a set carries whole rows after them.
struct BlockStore {
    std::map<unsigned char, Bytes> gradation;                         // by selector, 7-byte rows
    std::map<std::pair<unsigned char, unsigned char>, Bytes> colours; // by selector pair, 19-byte rows
};

constexpr std::size_t kGradationRow = 7;
constexpr std::size_t kColourRow = 19;

Bytes DefaultGradation() {
    return {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80, 0x02, 0x00, 0x02,
            0x00, 0x02, 0x00, 0xFF, 0x03, 0xFF, 0x03, 0xFF, 0x03, 0xFF};
}

Bytes DefaultColours() {
    Bytes rows;
    for (unsigned char level : {0x40, 0xC0}) {
        rows.push_back(level);
        for (int w = 0; w < 9; ++w) {
            rows.push_back(static_cast<unsigned char>(w));
            rows.push_back(level);
        }
    }
    return rows;
}

bool IsColourQuery(const Bytes& data) {
    if (data.size() != 15) {
        return false;
    }
    for (std::size_t i = 3; i < 15; ++i) {
        if (data[i] != i - 2) {
            return false;
        }
    }
    return true;
}

std::optional<Answer> Gradation(const Request& req, BlockStore& store) {
    const unsigned char selector = req.data[1];
    const Bytes echo{req.data[0], selector};
    if (req.data.size() == 2) {
        const auto it = store.gradation.find(selector);
        Bytes values = echo;
        const Bytes& rows = it == store.gradation.end() ? DefaultGradation() : it->second;
        values.insert(values.end(), rows.begin(), rows.end());
        return Answer{kAck, req.code, values};
    }
    if (req.data.size() == 3 && req.data[2] == 0xFF) {
        store.gradation[selector].clear(); // the selector's rows are reset
        return Answer{kAck, req.code, echo};
    }
    if ((req.data.size() - 2) % kGradationRow != 0) {
        return Answer{kNak, req.code, {}};
    }
    store.gradation[selector] = Bytes(req.data.begin() + 2, req.data.end());
    return Answer{kAck, req.code, echo};
}

std::optional<Answer> Colours(const Request& req, BlockStore& store) {
    const auto key = std::make_pair(req.data[1], req.data[2]);
    const Bytes echo{req.data[0], req.data[1], req.data[2]};
    if (IsColourQuery(req.data)) {
        const auto it = store.colours.find(key);
        Bytes values = echo;
        const Bytes rows = it == store.colours.end() ? DefaultColours() : it->second;
        values.insert(values.end(), rows.begin(), rows.end());
        return Answer{kAck, req.code, values};
    }
    if (req.data.size() > 3 && (req.data.size() - 3) % kColourRow == 0) {
        store.colours[key] = Bytes(req.data.begin() + 3, req.data.end());
    }
    return Answer{kAck, req.code, echo};
}

// A set of the daylight-saving block carries twelve bytes: the reported flag behind them stays.
AnswerRule KeepReportedTail() {
    return [](const Request& req, DisplayState& state) -> std::optional<Answer> {
        Bytes& stored = state.values[req.code];
        if (req.data.empty()) {
            return Answer{kAck, req.code, stored};
        }
        if (stored.size() < req.data.size()) {
            stored.resize(req.data.size());
        }
        std::copy(req.data.begin(), req.data.end(), stored.begin());
        return Answer{kAck, req.code, req.data};
    };
}

} // namespace

void AddRecordRows(DisplayState& state, std::map<unsigned char, AnswerRule>& rules) {
    for (const ValueRow& row : kValueRows) {
        state.values[row.code] = row.initial;
    }
    rules[0xB6] = KeepReportedTail();
    for (const SubRow& row : kSubRows) {
        state.subValues[{row.code, row.sub}] = row.initial;
    }
    for (const auto& [address, value] : kRegisters) {
        state.registers[address] = value;
    }
    // Block rows come before the product-information rule the command already has.
    auto store = std::make_shared<BlockStore>();
    rules[0xD0] = [store, next = rules[0xD0]](const Request& req, DisplayState& s) -> std::optional<Answer> {
        if (req.data.size() >= 2 && req.data[0] == 0xA2) {
            return Gradation(req, *store);
        }
        if (req.data.size() >= 3 && req.data[0] == 0x9B) {
            return Colours(req, *store);
        }
        return next ? next(req, s) : std::nullopt;
    };
}

} // namespace zolsim
