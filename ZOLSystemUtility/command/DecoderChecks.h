#pragma once

// What a decoding rule sees of a frame, and the named checks the rules share. A frame's byte 3 is its
// length N, byte 4 the acknowledgement, byte 5 the reply command and value k stands at byte 6 + k.

#include "command/ReplyFrames.h"

#include <optional>
#include <string>
#include <vector>

class ILFDData;

namespace zol::command {

struct FrameView {
    const WorkFrame& frame;
    ILFDData& record;   // the record the frame's values go to
    int framingVariant; // of the record the reply was received for
    const std::vector<std::string>& displayTypeTags;

    // Byte i of the work buffer; 0 beyond it.
    int Byte(int i) const { return i >= 0 && i < kMaxFrame ? frame.bytes[static_cast<std::size_t>(i)] : 0; }
    int Value(int k) const { return Byte(6 + k); }
    int Id() const { return Byte(2); }
    int Length() const { return Byte(3); }
    // The checksum's position: values and entry lists end before it.
    int End() const { return Length() + 4; }
    // count bytes from byte i on, kept only where printable.
    std::string Ascii(int from, int count) const;
};

// The display must be the record's (only under the standard framing variant).
bool IdCheck(const FrameView& f);
// As IdCheck, and the frame must not be from ID 0xFE (every display).
bool IdCheckNotFe(const FrameView& f);
// N is 3: acknowledgement, command and one value.
bool LengthIs3(const FrameView& f);
// 0 or 1 as false or true; anything else is no value.
std::optional<bool> AsBool(int value);

int TwoByteInt(int high, int low);
int ThreeByteInt(int high, int middle, int low);

// The record's device class, as the command handler hands it to the command object.
int DeviceClassOf(ILFDData& record);

} // namespace zol::command
