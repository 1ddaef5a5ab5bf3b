// One simulated display: what it stores and how it answers each command.
#pragma once

#include "zolsim/Wire.h"

#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <utility>

namespace zolsim {

// The line speed a serial client must set before it sends firmware chunks.
inline constexpr unsigned kUpdateBaud = 115200;

// Everything a display remembers. Rules read and change it while the display's lock is held.
struct DisplayState {
    unsigned char id = 1;
    int relayTarget = -1; // -1: reached directly; else: reached through a relay with this target
    // Values per command code: a query answers them, a set replaces them with its data.
    std::map<unsigned char, Bytes> values;
    // Values of sub-coded commands, per (code, sub-code); the sub-code is data byte 0.
    std::map<std::pair<unsigned char, unsigned char>, Bytes> subValues;
    // Sub-coded reads that carry parameters after the sub-code: any length is a query, never a set.
    std::set<std::pair<unsigned char, unsigned char>> parameterisedQueries;
    // The controller's 16-bit registers, one address space whatever the access mode.
    std::map<unsigned, unsigned> registers;
    unsigned blockCursor = 0; // where the next packet of a paged block write lands
    // Tables sent with 0xE2, per configuration byte, in arrival order.
    std::map<unsigned char, Bytes> tables;
    // Firmware update: entered with 0x1B 0x91 0x01; bulk frames are taken only then.
    bool updateMode = false;
    std::map<unsigned char, Bytes> firmwareChunks; // by chunk index
    unsigned char firmwareChunkCount = 0;
    int firmwareRejectedChunks = 0; // out of order, or not at the update speed on a serial line
    bool FirmwareComplete() const;
    Bytes FirmwareImage() const; // the chunks joined in index order
};

// A rule turns a request into an answer; no answer means the display stays silent.
using AnswerRule = std::function<std::optional<Answer>(const Request&, DisplayState&)>;

// Standard rules, for building tables and for tests that replace a row and later restore it.
// SubCoded: data byte 0 selects; alone it reads the values stored behind it, with more bytes it stores
// and echoes them; without data it reads the lowest selector's values.
namespace rules {
AnswerRule Value();            // query (no data): stored values; set: store the data, echo it
AnswerRule SubCoded();         // see above
AnswerRule Status();           // the status block built from the values of 0x11, 0x12, 0x13, 0x14 and 0x18
AnswerRule Refuse();           // 'N' with the command
AnswerRule Silent();           // acted on, never answered
AnswerRule BulkChunk();        // a firmware chunk of a bulk frame: stored in update mode, never answered
AnswerRule Registers();        // 0xE1: register reads and writes, the access mode in data byte 0
AnswerRule Tables();           // 0xE2: table transfers, the configuration in data byte 0
AnswerRule IndexedList();      // no data: the entry count; one byte i: i and entry i (0xA9)
AnswerRule UpdateModeSwitch(); // 0x1B: as SubCoded; 0x91 v enters (v nonzero) or leaves update mode
AnswerRule ProductInfo();      // 0xD0: as SubCoded; 0xC0 reports whether a complete image arrived
} // namespace rules

class DisplayModel {
public:
    DisplayModel(unsigned char id, int relayTarget);

    unsigned char Id() const;
    int RelayTarget() const;

    // Answers one request addressed to this display (or to all displays).
    std::optional<Answer> Handle(const Request& request);

    // The rule table: one row per command code; codes without a row are refused.
    void SetRule(unsigned char code, AnswerRule rule);
    void RemoveRule(unsigned char code);

    void SetValue(unsigned char code, Bytes value);
    Bytes Value(unsigned char code) const;
    void SetSubValue(unsigned char code, unsigned char sub, Bytes value);
    Bytes SubValue(unsigned char code, unsigned char sub) const;
    void SetText(unsigned char code, const std::string& text);
    std::string Text(unsigned char code) const;

    void SetPower(bool on);
    bool Power() const;

    unsigned Register(unsigned address) const; // 0 when never written
    void SetRegister(unsigned address, unsigned value);
    Bytes Table(unsigned char configuration) const;
    bool UpdateMode() const;
    Bytes FirmwareImage() const;
    bool FirmwareComplete() const;

    // Runs fn with the state under the display's lock: for tests that need several values at once.
    void WithState(const std::function<void(DisplayState&)>& fn);
    DisplayState Snapshot() const;

    int HandledCount() const;

private:
    mutable std::mutex m_lock;
    DisplayState m_state;
    std::map<unsigned char, AnswerRule> m_rules;
    int m_handled = 0;
};

} // namespace zolsim
