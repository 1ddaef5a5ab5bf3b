// One short rule per reply command. Each reads like the description of the reply it decodes: its checks
// first (named in DecoderChecks.h), then the values it stores with the record's setters.

#include "command/DecoderRules.h"

#include "ILFDData.h"
#include "ZOLSystemHelper.h"
#include "command/HardwareAddress.h"

#include <array>
#include <utility>

namespace zol::command {
namespace {

using Record = ILFDData;

// ---- generic shapes --------------------------------------------------------------------------------

// Value 0 with the setter, no checks.
template <auto Setter> void Value0(const FrameView& f) {
    (f.record.*Setter)(f.Value(0));
}

// Value 0 as a yes/no value; values other than 0 and 1 store nothing.
template <auto Setter> void Bool0(const FrameView& f) {
    if (auto value = AsBool(f.Value(0))) {
        (f.record.*Setter)(*value);
    }
}

// Value 0 after the ID check.
template <auto Setter> void IdValue0(const FrameView& f) {
    if (IdCheck(f)) {
        (f.record.*Setter)(f.Value(0));
    }
}

// Value 1 of a sub-coded reply as it is, as a yes/no value, or as "nonzero".
template <auto Setter> void Value1(const FrameView& f) {
    (f.record.*Setter)(f.Value(1));
}
template <auto Setter> void Bool1(const FrameView& f) {
    if (auto value = AsBool(f.Value(1))) {
        (f.record.*Setter)(*value);
    }
}
template <auto Setter> void Nonzero1(const FrameView& f) {
    (f.record.*Setter)(f.Value(1) != 0);
}

// A table from selector (value 0) to rule, for sub-coded replies.
struct SubRule {
    int selector;
    void (*rule)(const FrameView&);
};

template <std::size_t N> void BySelector(const FrameView& f, const SubRule (&rules)[N]) {
    for (const auto& entry : rules) {
        if (entry.selector == f.Value(0)) {
            entry.rule(f);
            return;
        }
    }
}

bool Bit(int value, int bit) {
    return ((value >> bit) & 1) != 0;
}

// ---- status and identity ---------------------------------------------------------------------------

int MapInput(int input) {
    if (input == 0x22 || input == 0x24 || input == 0x32 || input == 0x34) {
        return input - 1;
    }
    return input == 0x1F ? 0x18 : input;
}

void StoreHardwareAddress(const FrameView& f) {
    std::string address;
    f.record.GetAddress(address);
    f.record.SetMacAddress(LookupHardwareAddressText(address));
}

void Status00(const FrameView& f) {
    if (f.framingVariant == 0) {
        const int id = f.Id() == 0xFF ? 0 : f.Id(); // a status reply from 0xFF counts as display 0
        if (id == 0xFE || id != f.record.GetDisplayId()) {
            return;
        }
    }
    if (auto power = AsBool(f.Value(0))) {
        f.record.SetPower(*power);
    }
    if (AsBool(f.Value(1))) {
        f.record.SetValue12(f.Value(1));
    }
    if (auto value = AsBool(f.Value(2))) {
        f.record.SetValue13(*value);
    }
    f.record.SetValue14(MapInput(f.Value(3)));
    if (f.Value(0) == 1) {
        StoreHardwareAddress(f);
    }
    f.record.SetResponding(true);
    f.record.SetStatusReceived(true);
}

void MultiValues04(const FrameView& f) {
    Record& r = f.record;
    r.SetValue24(f.Value(0));
    r.SetValue25(f.Value(1));
    r.SetValue26(f.Value(2));
    r.SetValue27(f.Value(3));
    r.SetValue28(f.Value(4));
    r.SetValue3E(f.Value(5));
    r.SetValue3F(f.Value(6));
}

void MultiValues06(const FrameView& f) {
    f.record.SetValue24(f.Value(0));
    f.record.SetValue25(f.Value(1));
    f.record.SetValue3E(f.Value(2));
    f.record.SetValue3F(f.Value(3));
}

void Health0D(const FrameView& f) {
    if (f.Length() >= 8 && f.Byte(4) == kAck) {
        f.record.SetValue0D(
            IntBlock6{f.Value(0), f.Value(1), f.Value(2), f.Value(3), f.Value(4), f.Value(5)});
    }
}

void Values0F(const FrameView& f) {
    f.record.SetValue0F(f.Value(0));
    f.record.SetValue0Fb(f.Value(1));
    f.record.SetValue0Fc(f.Value(2));
}

// The text of a reply: the N - 2 bytes from value 0 on.
std::string ReplyText(const FrameView& f) {
    return f.Ascii(6, f.Length() - 2);
}

template <auto Setter> void Text(const FrameView& f) {
    if (IdCheck(f)) {
        (f.record.*Setter)(ReplyText(f));
    }
}

void Version0E(const FrameView& f) {
    if (!IdCheck(f)) {
        return;
    }
    std::string text = ReplyText(f);
    if (auto colon = text.find(':'); colon != std::string::npos) {
        text.erase(0, colon + 1);
    }
    if (auto marker = text.find("Main Micom"); marker != std::string::npos) {
        text.erase(marker, 10);
    }
    f.record.SetVersionText(text);
}

void Model10(const FrameView& f) {
    if (!IdCheck(f)) {
        return;
    }
    auto typeIndex = static_cast<std::size_t>(f.Value(0));
    if (typeIndex >= f.displayTypeTags.size()) {
        typeIndex = 0;
    }
    f.record.SetModelNumber(f.Value(1));
    const std::string tag = f.displayTypeTags.empty() ? std::string() : f.displayTypeTags[typeIndex];
    f.record.SetModelName(tag +
                          CZOLSystemHelper::GetStringFromModelNum(static_cast<unsigned char>(f.Value(1))));
}

// ---- single values with checks ---------------------------------------------------------------------

void Power11(const FrameView& f) {
    if (!IdCheckNotFe(f) || !LengthIs3(f)) {
        return;
    }
    if (auto power = AsBool(f.Value(0))) {
        f.record.SetPower(*power);
    }
    if (f.Value(0) == 1) {
        StoreHardwareAddress(f);
    }
}

void Value12(const FrameView& f) {
    if (IdCheckNotFe(f) && LengthIs3(f)) {
        f.record.SetValue12(f.Value(0));
    }
}

template <auto Setter> void NotFeLength3Bool(const FrameView& f) {
    if (IdCheckNotFe(f) && LengthIs3(f)) {
        Bool0<Setter>(f);
    }
}

void Input14(const FrameView& f) {
    if (IdCheckNotFe(f) && LengthIs3(f)) {
        f.record.SetValue14(MapInput(f.Value(0)));
    }
}

void Value1D(const FrameView& f) {
    if (IdCheck(f)) {
        f.record.SetValue1D(f.Value(0) == 1);
    }
}

void Value86(const FrameView& f) {
    f.record.SetValue86(f.Value(0) != 0);
}

void Value50(const FrameView& f) {
    if (f.Value(0) == 0) {
        f.record.SetValue50(TwoByteInt(f.Value(1), f.Value(2)));
    }
}

void Settings58(const FrameView& f) {
    if (IdCheck(f) && LengthIs3(f)) {
        f.record.GetSettingsBlock()[9] = f.Value(0) < 255 ? f.Value(0) : 100;
    }
}

void Value70(const FrameView& f) {
    if (IdCheckNotFe(f)) {
        f.record.SetValue70(f.Value(0) == 1);
    }
}

// A three-byte integer times 10, with its last byte as the second value.
void StoreValue83(Record& record, int high, int middle, int low) {
    record.SetValue83(IntBlock2{ThreeByteInt(high, middle, low) * 10, low});
}

void Value83(const FrameView& f) {
    if (f.Length() == 5) {
        StoreValue83(f.record, f.Value(0), f.Value(1), f.Value(2));
    }
}

void ValueA1(const FrameView& f) {
    if (!IdCheckNotFe(f) || !LengthIs3(f)) {
        return;
    }
    if (auto value = AsBool(f.Value(0))) {
        f.record.SetValueA1(*value);
        f.record.SetValueA1b(f.Value(1));
    }
}

void ValueB5(const FrameView& f) {
    if (IdCheckNotFe(f) && LengthIs3(f)) {
        f.record.SetValueB5(f.Value(0) == 1);
    }
}

void ValueC7(const FrameView& f) {
    if (f.Value(0) == 0x81) {
        f.record.SetValueC7(f.Value(1));
    }
}

void ValueC8(const FrameView& f) {
    if (f.Value(0) == 0x85) {
        f.record.SetValueC8(f.Value(1));
    }
}

// ---- sub-coded replies -----------------------------------------------------------------------------

void Words8CxA0(const FrameView& f) {
    Record& r = f.record;
    r.SetValue8CxA0(f.Value(1));
    r.SetValue8CxA0b(f.Value(2));
    r.SetValue8CxA0w1(TwoByteInt(f.Value(3), f.Value(4)));
    r.SetValue8CxA0w2(TwoByteInt(f.Value(5), f.Value(6)));
    r.SetValue8CxA0w3(TwoByteInt(f.Value(7), f.Value(8)));
    r.SetValue8CxA0w4(TwoByteInt(f.Value(9), f.Value(10)));
}

void Reply8C(const FrameView& f) {
    static constexpr SubRule rules[] = {
        {0x82, Bool1<&Record::SetValue8Cx82>},
        {0xA0, Words8CxA0},
    };
    BySelector(f, rules);
}

void ReplyC0(const FrameView& f) {
    static constexpr SubRule rules[] = {
        {0x09, Value1<&Record::SetValueC0x09>},
        {0x0A, Value1<&Record::SetValueC0x0A>},
        {0x0B, Value1<&Record::SetValue9D>},
        {0x14, [](const FrameView& v) { v.record.SetValueC0x14(v.Value(1) - 15); }},
        {0x15, Value1<&Record::SetValueC0x15>},
        {0x17, Value1<&Record::SetValueC0x17>},
    };
    BySelector(f, rules);
}

void ReplyC4(const FrameView& f) {
    if (!IdCheckNotFe(f)) {
        return;
    }
    Record& r = f.record;
    if (f.Length() == 7) {
        r.SetValueC4f(0);
    } else if (f.Length() == 8) {
        r.SetValueC4f(f.Value(5));
    }
    r.SetC4Available(true);
    r.SetValueC4Flag(f.Value(0) == 7 || f.Value(0) == 8);
    r.SetValueC4(f.Value(0));
    r.SetValueC4d(f.Value(3) == 1);
    r.SetValueC4b(f.Value(1));
    r.SetValueC4e(f.Value(4) == 1);
    r.SetValueC4c(f.Value(2));
    r.EndValueC4();
}

void ReplyC6(const FrameView& f) {
    static constexpr SubRule rules[] = {
        {0x81, Value1<&Record::SetValueC6x81>},
        {0xB0, Value1<&Record::SetValueXB0>},
        {0x82, Nonzero1<&Record::SetValueC6x82>},
    };
    BySelector(f, rules);
}

void ReplyCA(const FrameView& f) {
    static constexpr SubRule rules[] = {
        {0x81, Bool1<&Record::SetValueCAx81>},    {0x93, Nonzero1<&Record::SetValueCAx93>},
        {0x94, Nonzero1<&Record::SetValueCAx94>}, {0x95, Nonzero1<&Record::SetValueCAx95>},
        {0xB0, Value1<&Record::SetValueXB0>},
    };
    if (IdCheckNotFe(f)) {
        BySelector(f, rules);
    }
}

void ReplyCB(const FrameView& f) {
    const int count = f.Value(0);
    if (count < 1) {
        return;
    }
    Record& r = f.record;
    const int first = f.Value(1);
    r.SetValueCBbit0(Bit(first, 0));
    r.SetValueCBbit1(Bit(first, 1));
    r.SetValueCBbit2(Bit(first, 2));
    r.SetValueCBbit3(Bit(first, 3));
    r.SetValueCBbit4(Bit(first, 4));
    if (count >= 2) {
        r.SetValueCB2bit0(Bit(f.Value(2), 0));
        r.SetValueCB2bit2(Bit(f.Value(2), 2));
    }
}

// 0x1B: entries of three bytes (type, two-byte value) while the entry ends before the checksum.
void Entries1Bx34(const FrameView& f) {
    for (int at = 7; at + 2 < f.End(); at += 3) {
        const int value = TwoByteInt(f.Byte(at + 1), f.Byte(at + 2));
        if (f.Byte(at) == 0) {
            f.record.SetValue1Bx34a(value);
        } else if (f.Byte(at) == 1) {
            f.record.SetValue1Bx34b(value);
        }
    }
}

// 0x1B: entries of two bytes (type, value) while the entry starts before the checksum.
void Entries1Bx35(const FrameView& f) {
    for (int at = 7; at < f.End(); at += 2) {
        const int value = f.Byte(at + 1);
        switch (f.Byte(at)) {
        case 0:
            f.record.SetValue1Bx35a(value);
            break;
        case 1:
            f.record.SetValue1Bx35b(value);
            break;
        case 2:
            f.record.SetValue1Bx35c(value);
            break;
        default:
            break;
        }
    }
}

void Mac1Bx81(const FrameView& f) {
    if (f.Length() == 15) {
        f.record.SetMacAddress(f.Ascii(7, 12));
    }
}

void Value1Bx90(const FrameView& f) {
    if (f.Length() == 6) {
        StoreValue83(f.record, f.Value(1), f.Value(2), f.Value(3));
    }
}

// Fields of "-field;" text: a field starts after a '-' and ends at the next ';'.
void Fields1Bx98(const FrameView& f) {
    const std::string text = f.Ascii(7, f.Length() - 3);
    std::array<std::string, 5> fields;
    std::size_t at = 0;
    for (auto& field : fields) {
        const auto dash = text.find('-', at);
        if (dash == std::string::npos) {
            break;
        }
        const auto semicolon = text.find(';', dash + 1);
        field =
            text.substr(dash + 1, semicolon == std::string::npos ? std::string::npos : semicolon - dash - 1);
        if (semicolon == std::string::npos) {
            break;
        }
        at = semicolon + 1;
    }
    Record& r = f.record;
    r.SetValue1Bx98a(fields[0]);
    r.SetValue1Bx98b(fields[1]);
    r.SetValue1Bx98c(fields[2]);
    r.SetValue1Bx98d(fields[3]);
    r.SetValue1Bx98e(fields[4]);
    r.SetValue1Bx98Flag(fields[0].empty() && !fields[4].empty());
}

// 0x1B 0x97, by the mode in byte 9: mode 0 an empty text, mode 1 one of two texts (the first that is
// not empty and differs from the record's address text), mode 2 four octets.
void Modes1Bx97(const FrameView& f) {
    if (f.Value(1) != 0x81) {
        return;
    }
    Record& r = f.record;
    switch (f.Byte(9)) {
    case 0:
        r.SetValue1Bx97Mode(0);
        r.SetValue1Bx97Text(std::string());
        break;
    case 1: {
        const int firstLength = f.Byte(10);
        const std::string first = f.Ascii(11, firstLength);
        const int secondAt = 11 + firstLength;
        const std::string second = f.Ascii(secondAt + 1, f.Byte(secondAt));
        std::string own;
        r.GetAddress(own);
        if (!first.empty() && first != own) {
            r.SetValue1Bx97Source(1);
            r.SetValue1Bx97Mode(1);
            r.SetValue1Bx97Text(first);
        } else if (!second.empty() && second != own) {
            r.SetValue1Bx97Source(0);
            r.SetValue1Bx97Mode(1);
            r.SetValue1Bx97Text(second);
        }
        break;
    }
    case 2:
        if (f.Byte(10) == 4) {
            r.SetValue1Bx97Source(2);
            r.SetValue1Bx97Mode(2);
            r.SetValue1Bx97Octets(IntList{f.Byte(11), f.Byte(12), f.Byte(13), f.Byte(14)});
        }
        break;
    default:
        break;
    }
}

// A count, then entries of type, length and text.
void Texts1BxA4(const FrameView& f) {
    const int count = f.Byte(7);
    int at = 8;
    for (int entry = 0; entry < count; ++entry) {
        const int type = f.Byte(at);
        const int length = f.Byte(at + 1);
        if (at + 2 + length > f.End()) {
            break;
        }
        const std::string text = f.Ascii(at + 2, length);
        Record& r = f.record;
        switch (type) {
        case 0:
            r.SetVersionText(text);
            break;
        case 1:
        case 3:
        case 12:
            r.SetD2x32Text1(text);
            break;
        case 6:
            r.SetD2x32Text2(text);
            break;
        case 17:
            r.SetD2x32Text3(text);
            break;
        case 7:
            r.SetD2x32Text4(text);
            break;
        case 4:
            r.SetD2x32Text5(text);
            break;
        case 5:
            r.SetD2x32Text9(text);
            break;
        default:
            break;
        }
        at += 2 + length;
    }
}

void Reply1B(const FrameView& f) {
    static constexpr SubRule rules[] = {
        {0x31, Value1<&Record::SetValue1Bx31>},
        {0x32, Nonzero1<&Record::SetValue1Bx32>},
        {0x33, [](const FrameView& v) { v.record.SetValue1Bx33(TwoByteInt(v.Value(1), v.Value(2))); }},
        {0x34, Entries1Bx34},
        {0x35, Entries1Bx35},
        {0x3C, Value1<&Record::SetValue1Bx3C>},
        {0x81, Mac1Bx81},
        {0x90, Value1Bx90},
        {0x96, Nonzero1<&Record::SetValue1Bx96>},
        {0x98, Fields1Bx98},
        {0x97, Modes1Bx97},
        {0xA4, Texts1BxA4},
    };
    if (IdCheck(f)) {
        BySelector(f, rules);
    }
}

// 0x21 0x30: typed entries into thirteen slots (all -1 until filled).
void Block21x30(const FrameView& f) {
    IntBlock13 block;
    block.fill(-1);
    const int end = f.End();
    int at = 7;
    while (at < end) {
        const int type = f.Byte(at);
        if (type >= 1 && type <= 5) {
            static constexpr std::array<int, 6> slotOfType{0, 0, 1, 2, 3, 6};
            if (at + 1 < end) {
                block[static_cast<std::size_t>(slotOfType[static_cast<std::size_t>(type)])] = f.Byte(at + 1);
            }
            at += 2;
        } else if (type >= 0x80 && type <= 0x83) {
            static constexpr std::array<int, 4> firstSlotOfType{4, 7, 9, 11};
            const auto slot =
                static_cast<std::size_t>(firstSlotOfType[static_cast<std::size_t>(type - 0x80)]);
            const int n = f.Byte(at + 1);
            if (n == 4 && at + 5 < end) {
                block[slot] = TwoByteInt(f.Byte(at + 2), f.Byte(at + 3));
                block[slot + 1] = TwoByteInt(f.Byte(at + 4), f.Byte(at + 5));
            } else if (type == 0x82 && n == 6 && at + 7 < end) {
                block[slot] = ThreeByteInt(f.Byte(at + 2), f.Byte(at + 3), f.Byte(at + 4));
                block[slot + 1] = ThreeByteInt(f.Byte(at + 5), f.Byte(at + 6), f.Byte(at + 7));
            }
            at += n + 2;
        } else {
            break;
        }
    }
    f.record.SetValue21x30Block(block);
}

void Reply21(const FrameView& f) {
    static constexpr SubRule rules[] = {
        {0x03, Bool1<&Record::SetValue21x03>},
        {0x04, Value1<&Record::SetValue21x04>},
        {0x05, Bool1<&Record::SetValue21x05>},
        {0x08, Value1<&Record::SetValue21x08>},
        {0x09, Bool1<&Record::SetValue21x09>},
        {0x0A, Value1<&Record::SetValue21x0A>},
        {0x0C,
         [](const FrameView& v) {
             v.record.SetValue21x0C(v.Value(1) != 0);
             v.record.SetValue21x0Cb(v.Value(2));
             v.record.SetValue21x0Cc(v.Value(3));
         }},
        {0x30, Block21x30},
        {0x50, Bool1<&Record::SetValue21x50>},
        {0x51, Value1<&Record::SetValue21x51>},
        {0x53, Bool1<&Record::SetValue21x53>},
        {0x54, Value1<&Record::SetValue21x54>},
        {0x55, Value1<&Record::SetValue21x55>},
        {0x70, Value1<&Record::SetValue21x70>},
        {0x71, Value1<&Record::SetValue21x71>},
        {0x72, [](const FrameView& v) { v.record.SetValue21x72(TwoByteInt(v.Value(1), v.Value(2))); }},
    };
    BySelector(f, rules);
}

void ValueD0x41(const FrameView& f) {
    if (f.Length() >= 6 && f.Value(1) == 1) {
        f.record.SetValueD0x41(IntList{f.Value(2), f.Value(3)});
    }
}

// One entry per set bit, from bit 5 down to bit 0.
IntList RatesFromBits(int bits) {
    static constexpr std::array<std::pair<int, int>, 6> rateOfBit{
        {{5, 85}, {4, 37}, {3, 33}, {2, 24}, {1, 20}, {0, 8}}};
    IntList rates;
    for (auto [bit, rate] : rateOfBit) {
        if (Bit(bits, bit)) {
            rates.push_back(rate);
        }
    }
    return rates;
}

void ValueD0x82(const FrameView& f) {
    Record& r = f.record;
    r.SetValueD0x82a(RatesFromBits(f.Value(1)));
    r.SetValueD0x82b(RatesFromBits(f.Value(2)));
    r.SetValueD0x82c(TwoByteInt(f.Value(4), f.Value(5)));
    r.SetValueD0x82d(TwoByteInt(f.Value(6), f.Value(7)));
}

void ValueD0x83(const FrameView& f) {
    Record& r = f.record;
    r.SetValueD0x83a(f.Value(1));
    r.SetValueD0x83b(f.Value(2));
    r.SetValueD0x83c(f.Value(3));
    r.SetValueD0x83d(f.Value(4));
    r.SetValueD0x83e(f.Value(5));
}

// Two bytes, two integers, then twelve tagged slots (the tag's high four bits minus 1 pick the slot).
void BlockD0x84(const FrameView& f) {
    if (f.Length() < 7) {
        return;
    }
    IntBlock16 block;
    block.fill(-1);
    for (int k = 0; k < 4; ++k) {
        block[static_cast<std::size_t>(k)] = f.Value(1 + k);
    }
    for (int at = 6 + 5; at < f.End(); at += 2) {
        const int slot = (f.Byte(at) >> 4) - 1;
        if (slot >= 0 && slot < 12) {
            block[4 + static_cast<std::size_t>(slot)] = f.Byte(at + 1);
        }
    }
    f.record.SetValueD0x84Block(block);
}

// Entries of type, length L and L bytes; used only when the whole entry lies before the checksum.
void EntriesD0x8A(const FrameView& f) {
    Record& r = f.record;
    for (int at = 7; at < f.End(); at += 2 + f.Byte(at + 1)) {
        const int length = f.Byte(at + 1);
        const int last = at + 1 + length;
        if (length == 0 || last >= f.End()) {
            continue;
        }
        const int first = f.Byte(at + 2);
        switch (f.Byte(at)) {
        case 2:
            r.SetValueD0x8Aa(Bit(f.Byte(last), 0));
            r.SetValueD0x8Ab(Bit(f.Byte(last), 1));
            r.SetValueD0x8Ac(Bit(f.Byte(last), 2));
            r.SetValueD0x8Ad(Bit(f.Byte(last), 3));
            break;
        case 3:
            r.SetValueCBbit4(Bit(first, 2));
            r.SetValueD0x8Ae(!Bit(first, 3));
            r.SetValueD0x8Af(Bit(first, 4));
            r.SetValueD0x8Ag(Bit(first, 5));
            r.SetValueD0x8Ah(Bit(first, 6));
            if (length > 1) {
                r.SetValueD0x8Ai(!Bit(f.Byte(at + 3), 1));
                r.SetValueD0x8Aj(Bit(f.Byte(at + 3), 2));
            }
            break;
        case 4:
            r.SetValueD0x8Ak(f.Byte(last));
            break;
        default:
            break;
        }
    }
}

// Pairs of type and value over the N bytes from byte 7.
void EntriesD0x88(const FrameView& f) {
    for (int at = 7; at + 1 < 7 + f.Length(); at += 2) {
        if (f.Byte(at) == 12) {
            f.record.SetValueD0x88a(f.Byte(at + 1));
        } else if (f.Byte(at) == 13) {
            f.record.SetValueD0x88b(f.Byte(at + 1));
        }
    }
}

void ReplyD0(const FrameView& f) {
    static constexpr SubRule rules[] = {
        {0x41, ValueD0x41},
        {0x54, [](const FrameView& v) { v.record.SetValueD0x54(v.Value(1) > 0); }},
        {0x81, Value1<&Record::SetValueD0x81>},
        {0x82, ValueD0x82},
        {0x83, ValueD0x83},
        {0x84, BlockD0x84},
        {0x8A, EntriesD0x8A},
        {0x85, Bool1<&Record::SetValueD0x85>},
        {0x86, Value1<&Record::SetValueD0x86>},
        {0x88, EntriesD0x88},
        {0x8D, [](const FrameView& v) { v.record.SetValueD0x8D(TwoByteInt(v.Value(1), v.Value(2))); }},
        {0x8E, Value1<&Record::SetValueD0x8E>},
        {0x8F, Nonzero1<&Record::SetValueD0x8F>},
        {0x94, Value1<&Record::SetValueD0x94>},
        {0x95, Nonzero1<&Record::SetValueD0x95>},
        {0x96, Value1<&Record::SetValueD0x96>},
        {0x98, Nonzero1<&Record::SetValueD0x98>},
        {0x99, Nonzero1<&Record::SetValueD0x99>},
        {0x9D, Nonzero1<&Record::SetValueD0x9D>},
        {0x9E, Nonzero1<&Record::SetValueD0x9E>},
        {0xA3, Nonzero1<&Record::SetValueD0xA3>},
        {0xA4, [](const FrameView& v) { v.record.SetValueD0xA4(v.Length() == 5 ? v.Value(2) : 255); }},
        {0xA5, Value1<&Record::SetValueD0xA5>},
    };
    if (IdCheckNotFe(f)) {
        BySelector(f, rules);
    }
}

void ReplyFE(const FrameView& f) {
    if (!IdCheck(f)) {
        return;
    }
    if (f.Length() == 11) {
        // value 7 is signed on displays of device class 2
        const int value7 = DeviceClassOf(f.record) == 2 ? static_cast<signed char>(f.Value(7)) : f.Value(7);
        f.record.SetValueFEBlock(IntBlock9{f.Value(0), f.Value(1), f.Value(2), f.Value(3), f.Value(4),
                                           f.Value(5), f.Value(6), f.Value(8), value7});
    } else if (f.Length() == 4 && f.Value(0) == 0x51) {
        f.record.SetValueFE(f.Value(1) == 0);
    }
}

// ---- the table -------------------------------------------------------------------------------------

struct RuleRow {
    unsigned char command;
    DecodeRule rule;
};

constexpr RuleRow kRules[] = {
    {0x00, Status00},
    {0x04, MultiValues04},
    {0x06, MultiValues06},
    {0x0B, Text<&Record::SetSerialText>},
    {0x0D, Health0D},
    {0x0E, Version0E},
    {0x67, Text<&Record::SetValue67>},
    {0x8A, Text<&Record::SetValue8A>},
    {0x0F, Values0F},
    {0x10, Model10},
    {0x11, Power11},
    {0x12, Value12},
    {0x13, NotFeLength3Bool<&Record::SetValue13>},
    {0x14, Input14},
    {0x1D, Value1D},
    {0x1F, Bool0<&Record::SetValue1F>},
    {0x24, Value0<&Record::SetValue24>},
    {0x37, Value0<&Record::SetValue24>},
    {0x25, Value0<&Record::SetValue25>},
    {0x38, Value0<&Record::SetValue25>},
    {0x26, Value0<&Record::SetValue26>},
    {0x27, Value0<&Record::SetValue27>},
    {0x28, Value0<&Record::SetValue28>},
    {0x3F, Value0<&Record::SetValue3F>},
    {0x40, Value0<&Record::SetValue40>},
    {0x42, Value0<&Record::SetValue42>},
    {0x43, Value0<&Record::SetValue43>},
    {0x47, Value0<&Record::SetValue47>},
    {0x4A, Value0<&Record::SetValue4A>},
    {0x71, Value0<&Record::SetValue71>},
    {0x73, Value0<&Record::SetValue73>},
    {0x79, Value0<&Record::SetValue79>},
    {0x87, Value0<&Record::SetValue87>},
    {0x94, Value0<&Record::SetValue94>},
    {0x9D, Value0<&Record::SetValue9D>},
    {0x3E, Value0<&Record::SetValue3E>},
    {0x75, Value0<&Record::SetValue3E>},
    {0x56, Value0<&Record::SetValue56>},
    {0x92, Value0<&Record::SetValue56>},
    {0x33, NotFeLength3Bool<&Record::SetValue33>},
    {0x36, IdValue0<&Record::SetValue36>},
    {0x95, IdValue0<&Record::SetValue95>},
    {0x96, IdValue0<&Record::SetValue96>},
    {0x3C, Bool0<&Record::SetValue3C>},
    {0x84, Bool0<&Record::SetValue84>},
    {0xC3, Bool0<&Record::SetValueC3>},
    {0x86, Value86},
    {0x50, Value50},
    {0x58, Settings58},
    {0x70, Value70},
    {0x83, Value83},
    {0xA1, ValueA1},
    {0xB5, ValueB5},
    {0xC7, ValueC7},
    {0xC8, ValueC8},
    {0x8C, Reply8C},
    {0xC0, ReplyC0},
    {0xC4, ReplyC4},
    {0xC6, ReplyC6},
    {0xCA, ReplyCA},
    {0xCB, ReplyCB},
    {0x1B, Reply1B},
    {0x21, Reply21},
    {0xD0, ReplyD0},
    {0xFE, ReplyFE},
};

constexpr std::array<DecodeRule, 256> BuildIndex() {
    std::array<DecodeRule, 256> index{};
    for (const auto& row : kRules) {
        index[row.command] = row.rule;
    }
    return index;
}

constexpr std::array<DecodeRule, 256> kRuleIndex = BuildIndex();

} // namespace

DecodeRule FindDecodeRule(unsigned char replyCommand) {
    return kRuleIndex[replyCommand];
}

} // namespace zol::command
