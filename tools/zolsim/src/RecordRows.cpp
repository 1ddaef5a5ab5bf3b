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

// Each module reports an 11-character text and a 5-character text.
Bytes ModuleList() {
    return Concat({{0x02}, Text("ZSM55A00017"), Text("1.0.2"), Text("ZSM55A00018"), Text("1.0.3")});
}

struct ValueRow {
    unsigned char code;
    Bytes initial;
};

// Clock: fields 2, 3, 4 and 1, field 0 as high and low byte, and the flag of field 5. Timer: fifteen
// one-byte fields, 3 and 7 being flags. DSTClock: twelve settings and a flag the display only
// reports. Maintenance: the 21-byte layout (its length byte is 21).
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

// The record pages behind 0x21 and the module list behind 0xD0 (the 0xD2 road reports none at start).
const SubRow kSubRows[] = {
    {0x21, 0x07, {33, 1, 35, 0, 49, 1, 51, 0, 37, 1}}, // port code, enabled flag
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

// The controller's registers at start: 0xF2, 0xF8, 0x58 and 0x59, which the register-table loader reads
// back as stored parameters 1 to 4, the matrix with 1.0 (0xFFFF) on its diagonal, and the FPGA settings.
const std::pair<unsigned, unsigned> kRegisters[] = {
    {0xF2, 1},      {0xF8, 0x10},   {0x58, 6},      {0x59, 4},        {0x40, 0xFFFF}, {0x44, 0xFFFF},
    {0x48, 0xFFFF}, {0xD100, 0x12}, {0xD101, 0x34}, {0xD102, 0x0100}, {0xD103, 3},    {0xD133, 0x0FFF},
};

// Block rows per selector. A query names its selector(s); a set carries whole rows after them.
struct BlockStore {
    std::map<unsigned char, Bytes> gradation;                     // by selector, 7-byte rows
    std::map<std::pair<unsigned char, unsigned char>, Bytes> rgb; // by selector pair, 19-byte rows
};

constexpr std::size_t kGradationRow = 7;
constexpr std::size_t kRgbRow = 19;

Bytes DefaultGradation() {
    return {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80, 0x02, 0x00, 0x02,
            0x00, 0x02, 0x00, 0xFF, 0x03, 0xFF, 0x03, 0xFF, 0x03, 0xFF};
}

Bytes DefaultRgb() {
    Bytes rows;
    for (unsigned char fill : {0x40, 0xC0}) {
        rows.push_back(fill);
        for (int w = 0; w < 9; ++w) {
            rows.push_back(static_cast<unsigned char>(w));
            rows.push_back(fill);
        }
    }
    return rows;
}

bool IsRgbQuery(const Bytes& data) {
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

std::optional<Answer> Rgb(const Request& req, BlockStore& store) {
    const auto key = std::make_pair(req.data[1], req.data[2]);
    const Bytes echo{req.data[0], req.data[1], req.data[2]};
    if (IsRgbQuery(req.data)) {
        const auto it = store.rgb.find(key);
        Bytes values = echo;
        const Bytes rows = it == store.rgb.end() ? DefaultRgb() : it->second;
        values.insert(values.end(), rows.begin(), rows.end());
        return Answer{kAck, req.code, values};
    }
    if (req.data.size() > 3 && (req.data.size() - 3) % kRgbRow == 0) {
        store.rgb[key] = Bytes(req.data.begin() + 3, req.data.end());
    }
    return Answer{kAck, req.code, echo};
}

// A set of the DSTClock block carries twelve bytes: the reported flag behind them stays.
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
            return Rgb(req, *store);
        }
        return next ? next(req, s) : std::nullopt;
    };
}

} // namespace zolsim
