// The display controller's registers behind command 0xE1 and its tables behind 0xE2.
//
// Access-mode byte (data byte 0): bit 4 set means 16-bit values (high byte first), clear 8-bit. The rest
// is how this simulator tells the requests the client sends apart: bit 7 set is taken for a write, clear
// for a read; bits 0-1 pick the addressing of a write: 01 consecutive registers from one start address,
// 10 a paged block (page byte, then on a page's first packet the start address, then words), 00 and 11
// address/value pairs. A read names one address, a start address and a count, or a list of addresses,
// told apart by the number of bytes.
#include "zolsim/DisplayModel.h"

namespace zolsim::rules {

namespace {

constexpr unsigned char kWrite = 0x80;
constexpr unsigned char kWide = 0x10;
constexpr unsigned char kConsecutive = 0x01;
constexpr unsigned char kPaged = 0x02;
constexpr unsigned char kPageStart = 0x80;

// Value 0 of the simulator's refusal of a request it cannot read: a number of its own, not 2 (a client
// answers a refused block packet with 2 in that place by writing the block again another way).
constexpr unsigned char kUnreadable = 0x01;

struct Cursor {
    const Bytes& data;
    std::size_t at;
    bool Has(std::size_t n) const { return at + n <= data.size(); }
    unsigned Address() {
        const unsigned value = (static_cast<unsigned>(data[at]) << 8) | data[at + 1];
        at += 2;
        return value;
    }
    unsigned Value(bool wide) {
        if (!wide) {
            return data[at++];
        }
        return Address();
    }
};

void PutValue(Bytes& out, unsigned value, bool wide) {
    if (wide) {
        out.push_back(static_cast<unsigned char>((value >> 8) & 0xFF));
    }
    out.push_back(static_cast<unsigned char>(value & 0xFF));
}

unsigned Stored(const DisplayState& state, unsigned address) {
    const auto it = state.registers.find(address & 0xFFFF);
    return it == state.registers.end() ? 0 : it->second;
}

void Store(DisplayState& state, unsigned address, unsigned value, bool wide) {
    state.registers[address & 0xFFFF] = wide ? value & 0xFFFF : value & 0xFF;
}

std::optional<Answer> Refused(unsigned char code, unsigned char reason) {
    return Answer{kNak, code, {reason}};
}

std::optional<Answer> Write(const Request& req, DisplayState& state, unsigned char mode) {
    const bool wide = (mode & kWide) != 0;
    const std::size_t valueSize = wide ? 2 : 1;
    Cursor in{req.data, 1};
    switch (mode & 0x03) {
    case kConsecutive: {
        if (!in.Has(2) || (req.data.size() - 3) % valueSize != 0) {
            return Refused(req.code, kUnreadable);
        }
        unsigned address = in.Address();
        while (in.Has(valueSize)) {
            Store(state, address++, in.Value(wide), wide);
        }
        break;
    }
    case kPaged: {
        if (!in.Has(1)) {
            return Refused(req.code, kUnreadable);
        }
        const unsigned char page = req.data[in.at++];
        if ((page & kPageStart) != 0) {
            if (!in.Has(2)) {
                return Refused(req.code, kUnreadable);
            }
            state.blockCursor = in.Address();
        }
        if ((req.data.size() - in.at) % 2 != 0) {
            return Refused(req.code, kUnreadable);
        }
        while (in.Has(2)) {
            Store(state, state.blockCursor++, in.Value(true), true);
        }
        break;
    }
    default: {
        const std::size_t pairSize = 2 + valueSize;
        if (req.data.size() >= 1 + pairSize && (req.data.size() - 1) % pairSize != 0 &&
            (req.data.size() - 3) % valueSize == 0) {
            // Not whole pairs but a start address and values: the short-range form, consecutive registers.
            unsigned address = in.Address();
            while (in.Has(valueSize)) {
                Store(state, address++, in.Value(wide), wide);
            }
            break;
        }
        if (req.data.size() < 1 + pairSize || (req.data.size() - 1) % pairSize != 0) {
            return Refused(req.code, kUnreadable);
        }
        while (in.Has(pairSize)) {
            const unsigned address = in.Address();
            Store(state, address, in.Value(wide), wide);
        }
        break;
    }
    }
    return Answer{kAck, req.code, {mode}};
}

std::optional<Answer> Read(const Request& req, const DisplayState& state, unsigned char mode) {
    const bool wide = (mode & kWide) != 0;
    const std::size_t rest = req.data.size() - 1;
    Cursor in{req.data, 1};
    Bytes values{mode};
    if (rest == 3) {
        const unsigned start = in.Address();
        const unsigned count = req.data[3];
        for (unsigned i = 0; i < count; ++i) {
            PutValue(values, Stored(state, start + i), wide);
        }
    } else if (rest >= 2 && rest % 2 == 0) {
        while (in.Has(2)) {
            PutValue(values, Stored(state, in.Address()), wide);
        }
    } else {
        return Refused(req.code, kUnreadable);
    }
    return Answer{kAck, req.code, values};
}

} // namespace

AnswerRule Registers() {
    return [](const Request& req, DisplayState& state) -> std::optional<Answer> {
        if (req.data.empty()) {
            return Refused(req.code, kUnreadable);
        }
        const unsigned char mode = req.data[0];
        return (mode & kWrite) != 0 ? Write(req, state, mode) : Read(req, state, mode);
    };
}

AnswerRule Tables() {
    return [](const Request& req, DisplayState& state) -> std::optional<Answer> {
        if (req.data.empty()) {
            return Refused(req.code, kUnreadable);
        }
        Bytes& table = state.tables[req.data[0]];
        table.insert(table.end(), req.data.begin() + 1, req.data.end());
        return Answer{kAck, req.code, {req.data[0]}};
    };
}

} // namespace zolsim::rules
