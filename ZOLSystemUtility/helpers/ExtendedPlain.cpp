// Plain gets, plain sets, refreshes and sets with a broadcast choice: one line each over the patterns.
// A get executes the query and reads back the value the reply decoder stored; a set hands the bytes to
// the handler and leaves the record to the decoder.

#include "helpers/ExtendedHelper.h"

#include "ZOLCommandHandler.h"

namespace zol::helpers {

namespace {
using C = CCommunicationHelperExtended;
using D = ILFDData;

unsigned char Lo(int value) {
    return static_cast<unsigned char>(value & 0xFF);
}
unsigned char Hi(int value) {
    return static_cast<unsigned char>((value >> 8) & 0xFF);
}
} // namespace

// --- status, source, simple settings
int C::SetCommand14(int source) {
    return Exec(0x14, {Lo(source)});
}
int C::RefreshCommand14() {
    return Exec(0x14, {});
}
bool C::SetCommand12(int value) {
    const unsigned char data = Lo(value);
    return m_pHandler != nullptr && m_pHandler->ExecuteAcknowledged(m_pRecord, 0x12, 1, &data);
}
bool C::SetCommand13(unsigned char value) {
    return m_pHandler != nullptr && m_pHandler->ExecuteAcknowledged(m_pRecord, 0x13, 1, &value);
}
bool C::SetCommand36(int value) {
    const unsigned char data = Lo(value);
    return m_pHandler != nullptr && m_pHandler->ExecuteAcknowledged(m_pRecord, 0x36, 1, &data);
}
int C::SetCommand11(int value) {
    const auto reply = WithReply(0x11, {Lo(value)});
    return reply && reply->Ack() ? 1 : 0;
}
int C::SetCommandB9(unsigned char value) {
    return SetChoice(0xB9, {value}, true, &D::SetValueB9, value);
}
int C::SetCommand70(unsigned char value) {
    if (Group() == 12) {
        return 0;
    }
    return SetChoice(0x70, {value}, true, &D::SetValue70, value == 1);
}
int C::SetCommandFESub51(int value) {
    return Exec(0xFE, {0x51, Lo(value)});
}
int C::SetCommandCASub81(unsigned char value, unsigned char toAll) {
    return SetChoice(0xCA, {0x81, value}, toAll != 0, &D::SetValueCAx81, value != 0);
}
int C::SendCommand9FZero(unsigned char toAll) {
    return toAll != 0 ? Bcast(0x9F, {0x00}) : Exec(0x9F, {0x00});
}

// --- 0xC0 selectors (0x0B is kept with the 0x9D value)
int C::GetCommandC0Sub14(int* v) {
    return Get(0xC0, {0x14}, v, &D::GetValueC0x14);
}
int C::GetCommandC0Sub0A(int* v) {
    return Get(0xC0, {0x0A}, v, &D::GetValueC0x0A);
}
int C::GetCommandC0Sub09(int* v) {
    return Get(0xC0, {0x09}, v, &D::GetValueC0x09);
}
int C::GetCommandC0Sub15(int* v) {
    return Get(0xC0, {0x15}, v, &D::GetValueC0x15);
}
int C::GetCommandC0Sub17(int* v) {
    return ProductClass() == 1 ? Get(0xC0, {0x17}, v, &D::GetValueC0x17) : 0;
}
int C::SetCommandC0Sub14(int v) {
    return Exec(0xC0, {0x14, Lo(v)});
}
int C::SetCommandC0Sub0A(int v) {
    return Exec(0xC0, {0x0A, Lo(v)});
}
int C::SetCommandC0Sub09(int v) {
    return Exec(0xC0, {0x09, Lo(v)});
}
int C::SetCommandC0Sub15(int v) {
    return Exec(0xC0, {0x15, Lo(v)});
}
int C::SetCommandC0Sub17(int v) {
    return ProductClass() == 1 ? Exec(0xC0, {0x17, Lo(v)}) : 0;
}
int C::GetCommandC0Sub0B(int* v) {
    return Get(0xC0, {0x0B}, v, &D::GetValue9D);
}
int C::SetCommandC0Sub0B(int v) {
    return Exec(0xC0, {0x0B, Lo(v)});
}
int C::SetCommandC0Sub0C(int v) {
    return Exec(0xC0, {0x0C, Lo(v)});
}
int C::SetCommandC0Sub0D(int v) {
    return Exec(0xC0, {0x0D, Lo(v)});
}
int C::SetCommandC0Sub0E(int v) {
    return Exec(0xC0, {0x0E, Lo(v)});
}
int C::SetCommandC0Sub0F(int v) {
    return Exec(0xC0, {0x0F, Lo(v)});
}
int C::SetCommandC0Sub10() {
    return Exec(0xC0, {0x10, 0x00});
}

// --- single-value commands
int C::GetCommand3C(unsigned char* v) {
    return Get(0x3C, {}, v, &D::GetValue3C);
}
int C::GetCommand40(int* v) {
    return Get(0x40, {}, v, &D::GetValue40);
}
int C::GetCommand42(int* v) {
    return Get(0x42, {}, v, &D::GetValue42);
}
int C::GetCommand43(int* v) {
    return Get(0x43, {}, v, &D::GetValue43);
}
int C::GetCommand47(int* v) {
    return Get(0x47, {}, v, &D::GetValue47);
}
int C::SetCommand3C(unsigned char v) {
    return Exec(0x3C, {v});
}
int C::SetCommand40(int v) {
    return Exec(0x40, {Lo(v)});
}
int C::SetCommand42(int v) {
    return Exec(0x42, {Lo(v)});
}
int C::SetCommand43(int v) {
    return Exec(0x43, {Lo(v)});
}
int C::SetCommand47(int v) {
    return Exec(0x47, {Lo(v)});
}
int C::GetCommand92(int* v) {
    return Get(0x92, {}, v, &D::GetValue56);
}
int C::SetCommand92(int v) {
    return Exec(0x92, {Lo(v)});
}
int C::GetCommand79(int* v) {
    return Get(0x79, {}, v, &D::GetValue79);
}
int C::SetCommand79(int v) {
    return Exec(0x79, {Lo(v)});
}
int C::GetCommand9D(int* v) {
    return Get(0x9D, {}, v, &D::GetValue9D);
}
int C::SetCommand9D(int v) {
    return Exec(0x9D, {Lo(v)});
}
int C::SetCommandB7(int a1, int a2, int a3, int a4) {
    return Exec(0xB7, {Hi(a1), Lo(a1), Hi(a2), Lo(a2), Hi(a3), Lo(a3), Hi(a4), Lo(a4)});
}
int C::SetCommand03(int a1, int a2, int a3) {
    return Exec(0x03, {Lo(a1), Lo(a2), Lo(a3)});
}

// --- pairs chosen by the 0x71 value: class 1 takes the first code of the pair
int C::GetCommand37Or24(int* v) {
    return Get(Command71Class() == 1 ? 0x37 : 0x24, {}, v, &D::GetValue24);
}
int C::SetCommand37Or24(int v) {
    return Exec(Command71Class() == 1 ? 0x37 : 0x24, {Lo(v)});
}
int C::GetCommand38Or25(int* v) {
    return Get(Command71Class() == 1 ? 0x38 : 0x25, {}, v, &D::GetValue25);
}
int C::SetCommand38Or25(int v) {
    return Exec(Command71Class() == 1 ? 0x38 : 0x25, {Lo(v)});
}
int C::GetCommand75Or3E(int* v) {
    return Get(Command71Class() == 1 ? 0x75 : 0x3E, {}, v, &D::GetValue3E);
}
int C::SetCommand75Or3E(int v) {
    return Exec(Command71Class() == 1 ? 0x75 : 0x3E, {Lo(v)});
}
int C::GetCommand26(int* v) {
    return Get(0x26, {}, v, &D::GetValue26);
}
int C::SetCommand26(int v) {
    return Exec(0x26, {Lo(v)});
}
int C::GetCommand27(int* v) {
    return Command71Class() != 1 ? Get(0x27, {}, v, &D::GetValue27) : 0;
}
int C::SetCommand27(int v) {
    return Command71Class() != 1 ? Exec(0x27, {Lo(v)}) : 0;
}
int C::GetCommand28(int* v) {
    return Command71Class() != 1 ? Get(0x28, {}, v, &D::GetValue28) : 0;
}
int C::SetCommand28(int v) {
    return Command71Class() != 1 ? Exec(0x28, {Lo(v)}) : 0;
}
int C::GetCommand87(int* v) {
    return Get(0x87, {}, v, &D::GetValue87);
}
int C::SetCommand87(int v) {
    return Exec(0x87, {Lo(v)});
}
int C::GetCommand94(int* v) {
    return Get(0x94, {}, v, &D::GetValue94);
}
int C::SetCommand94(int v) {
    return Exec(0x94, {Lo(v)});
}
int C::GetCommand4A(int* v) {
    return Family() != 2 || Model() != kModelS ? Get(0x4A, {}, v, &D::GetValue4A) : 0;
}
int C::SetCommand4A(int v) {
    return Family() != 2 || Model() != kModelS ? Exec(0x4A, {Lo(v)}) : 0;
}
int C::GetCommand3F(int* v) {
    return Get(0x3F, {}, v, &D::GetValue3F);
}
int C::SetCommand3F(int v) {
    return Exec(0x3F, {Lo(v)});
}

namespace {
bool Has0F(int family, int model) {
    return family == 2 ? (model == kModelI || model == kModelQ || model == kModelS)
                       : (model == kModelQ || model == kModelS);
}
} // namespace

int C::GetCommand0F(int* a1, int* a2, int* a3) {
    if (!Has0F(Family(), Model())) {
        return 0;
    }
    const int status = Exec(0x0F, {});
    if (a1 != nullptr) {
        *a1 = m_pRecord->GetValue0F();
    }
    if (a2 != nullptr) {
        *a2 = m_pRecord->GetValue0Fb();
    }
    if (a3 != nullptr) {
        *a3 = m_pRecord->GetValue0Fc();
    }
    return status;
}

// The current values are asked for first (the display expects the query before a change).
int C::SetCommand0F(int a1, int a2, int a3) {
    if (!Has0F(Family(), Model())) {
        return 0;
    }
    WithReply(0x0F, {});
    return Exec(0x0F, {Lo(a1), Lo(a2), Lo(a3)});
}

// --- family 7 commands
int C::RefreshCommand21Sub30() {
    return Family() == 7 ? Exec(0x21, {0x30}) : 0;
}
// The 0x50 query carries selector 0: the display answers with its current value.
int C::SetCommand50() {
    return Family() == 7 ? Exec(0x50, {0x00}) : 0;
}
int C::RefreshCommand0D() {
    return Family() == 7 ? Exec(0x0D, {}) : 0;
}
int C::RefreshCommandD0Sub84() {
    return Exec(0xD0, {0x84});
}
int C::RefreshCommandD0Sub41() {
    return Family() == 7 ? Exec(0xD0, {0x41}) : 0;
}

int C::GetCommand96(int* v) {
    return Get(0x96, {}, v, &D::GetValue96);
}
int C::SetCommand96(int v) {
    return Exec(0x96, {Lo(v)});
}
int C::GetCommand71(int* v) {
    return Get(0x71, {}, v, &D::GetValue71);
}
int C::SetCommand71(int v) {
    return Exec(0x71, {Lo(v)});
}
int C::GetCommand95(int* v) {
    return Get(0x95, {}, v, &D::GetValue95);
}
int C::SetCommand95(int v) {
    return Exec(0x95, {Lo(v)});
}
int C::GetCommand33(unsigned char* v) {
    return Get(0x33, {}, v, &D::GetValue33);
}
int C::SetCommand33(unsigned char v) {
    return Exec(0x33, {v});
}
int C::GetCommandC6Sub81(int* v) {
    return Get(0xC6, {0x81}, v, &D::GetValueC6x81);
}
int C::SetCommandC6Sub81(int v) {
    return Exec(0xC6, {0x81, Lo(v)});
}
int C::RefreshCommandD0Sub54() {
    return Family() != 7 ? Exec(0xD0, {0x54}) : 0;
}
int C::SetCommandD0Sub54(unsigned char v) {
    return Family() != 7 ? SetChoice(0xD0, {0x54, v}, true, &D::SetValueD0x54, v != 0) : 0;
}
int C::RefreshCommandD0Sub8F() {
    return Exec(0xD0, {0x8F});
}
int C::SetCommandD0Sub8F(unsigned char v) {
    return SetChoice(0xD0, {0x8F, v}, true, &D::SetValueD0x8F, v != 0);
}
int C::GetCommandB5(unsigned char* v) {
    return Get(0xB5, {}, v, &D::GetValueB5);
}
int C::SetCommandB5(unsigned char v) {
    return Exec(0xB5, {v});
}
int C::SetCommandB0(const unsigned char* v) {
    return v != nullptr ? Exec(0xB0, {*v}) : 0;
}

// --- 0x8C selectors
int C::RefreshCommand8CSubA0(int* value, int* second, int* firstWord) {
    const int status = Exec(0x8C, {0xA0});
    if (value != nullptr) {
        *value = m_pRecord->GetValue8CxA0();
    }
    if (second != nullptr) {
        *second = m_pRecord->GetValue8CxA0b();
    }
    if (firstWord != nullptr) {
        *firstWord = m_pRecord->GetValue8CxA0w1();
    }
    return status;
}
int C::RefreshCommand8CSub82() {
    return Exec(0x8C, {0x82});
}
int C::SetCommand8CSub82(int v) {
    return Exec(0x8C, {0x82, Lo(v)});
}
int C::SetCommand8CSubA0(int a1, int a2, int a3, int a4, int a5, int a6) {
    return Exec(0x8C, {0xA0, Lo(a1), Lo(a2), Hi(a3), Lo(a3), Hi(a4), Lo(a4), Hi(a5), Lo(a5), Hi(a6), Lo(a6)});
}
int C::SetCommandD2Sub40(int v) {
    return Exec(0xD2, {0x40, Lo(v)});
}

// --- status queries
int C::RefreshCommand00Plain(int) {
    return Exec(0x00, {}, false);
}
int C::RefreshCommand00WithFlag(unsigned char verify) {
    return Exec(0x00, {}, verify != 0);
}
int C::GetCommand73(int* v) {
    return Get(0x73, {}, v, &D::GetValue73);
}
int C::SetCommand73(int v) {
    return Exec(0x73, {Lo(v)});
}
int C::RefreshCommandFE() {
    return Exec(0xFE, {});
}
int C::SetCommandFE(unsigned char v) {
    return Exec(0xFE, {v});
}
int C::SetCommandFEAlt(unsigned char a1, unsigned char a2) {
    return Exec(0xFE, {a1, a2});
}

// --- 0xD0 selectors, most with a broadcast choice
int C::RefreshCommandD0Sub85() {
    return Exec(0xD0, {0x85});
}
int C::SetCommandD0Sub85(unsigned char v, unsigned char toAll) {
    return SetChoice(0xD0, {0x85, v}, toAll != 0, &D::SetValueD0x85, v != 0);
}
int C::SetCommandD0Sub87(int v) {
    return SetChoice(0xD0, {0x87, Lo(v)}, true, &D::SetValueD0x87, v);
}
int C::SetCommandD0Sub9A(int v, unsigned char toAll) {
    return SetChoice(0xD0, {0x9A, Lo(v)}, toAll != 0, &D::SetValueD0x9A, v);
}
int C::SetCommandD0SubB2(int a1, int a2) {
    return Exec(0xD0, {0xB2, Lo(a1), Lo(a2), 0x00, 0x00, 0x00, 0x00});
}
// The first data byte names the target (bit 3, 2 or 1) and carries bit 8 of the 9-bit value in bit 0.
int C::SetCommandD0Sub93Bit3(int v) {
    return Exec(0xD0, {0x93, static_cast<unsigned char>(0x08 | ((v >> 8) & 1)), Lo(v)});
}
int C::SetCommandD0Sub93Bit2(int v) {
    return Exec(0xD0, {0x93, static_cast<unsigned char>(0x04 | ((v >> 8) & 1)), Lo(v)});
}
int C::SetCommandD0Sub93Bit1(int v) {
    return Exec(0xD0, {0x93, static_cast<unsigned char>(0x02 | ((v >> 8) & 1)), Lo(v)});
}
int C::RefreshCommandD0Sub96() {
    return GroupIs({2, 3, 6}) ? Exec(0xD0, {0x96}) : 0;
}
int C::SetCommandD0Sub96(int v) {
    return GroupIs({2, 3, 6}) ? SetChoice(0xD0, {0x96, Lo(v)}, true, &D::SetValueD0x96, v) : 0;
}
int C::RefreshCommandD0Sub94() {
    return Group() != 5 ? Exec(0xD0, {0x94}) : 0;
}
int C::SetCommandD0Sub94(unsigned char toAll, int v) {
    return SetChoice(0xD0, {0x94, Lo(v)}, toAll != 0, &D::SetValueD0x94, v);
}
int C::RefreshCommandD0Sub86() {
    return ProductClass() == 2 ? Exec(0xD0, {0x86}) : 0;
}
int C::SetCommandD0Sub86(int v) {
    return SetChoice(0xD0, {0x86, Lo(v)}, true, &D::SetValueD0x86, v);
}
int C::RefreshCommandD0Sub95() {
    return Exec(0xD0, {0x95});
}
int C::SetCommandD0Sub95(unsigned char v, unsigned char toAll) {
    return SetChoice(0xD0, {0x95, v}, toAll != 0, &D::SetValueD0x95, v != 0);
}
int C::RefreshCommandD0Sub9D() {
    return Exec(0xD0, {0x9D});
}
int C::SetCommandD0Sub9D(unsigned char v, unsigned char toAll) {
    return SetChoice(0xD0, {0x9D, v}, toAll != 0, &D::SetValueD0x9D, v != 0);
}
int C::RefreshCommandD0Sub99() {
    return Exec(0xD0, {0x99});
}
int C::SetCommandD0Sub99(unsigned char v, unsigned char toAll) {
    return SetChoice(0xD0, {0x99, v}, toAll != 0, &D::SetValueD0x99, v != 0);
}
int C::RefreshCommandD0Sub9E() {
    return Exec(0xD0, {0x9E});
}
int C::SetCommandD0Sub9E(unsigned char v, unsigned char toAll) {
    return SetChoice(0xD0, {0x9E, v}, toAll != 0, &D::SetValueD0x9E, v != 0);
}
int C::RefreshCommandD0SubA3() {
    return Exec(0xD0, {0xA3});
}
int C::SetCommandD0SubA3(unsigned char v, unsigned char toAll) {
    return SetChoice(0xD0, {0xA3, v}, toAll != 0, &D::SetValueD0xA3, v != 0);
}
int C::RefreshCommandD0Sub98() {
    return Group() != 12 ? Exec(0xD0, {0x98}) : 0;
}
int C::SetCommandD0Sub98(unsigned char v, unsigned char toAll) {
    return Group() != 12 ? SetChoice(0xD0, {0x98, v}, toAll != 0, &D::SetValueD0x98, v != 0) : 0;
}
int C::SetCommandD0SubA2(unsigned char selector) {
    return Exec(0xD0, {0xA2, selector, 0xFF});
}

namespace {
// Displays whose 0x92 and 0x97 requests carry the arguments packed into one mode byte (16 x a1 + ...).
bool PackedMode(int group, int blockFlag) {
    return (group == 2 || group == 4 || group == 5) && blockFlag == 1;
}
} // namespace

int C::SetCommandD0Sub92(unsigned char a1, int v1, int v2, int v3, int v4, int v5, int v6, int v7, int v8,
                         int v9) {
    std::vector<unsigned char> data{0x92};
    if (PackedMode(Group(), m_pRecord->GetBlockFlag())) {
        data.push_back(static_cast<unsigned char>(16 * a1 + 15));
    } else {
        data.insert(data.end(), {a1, 0x33});
    }
    for (const int v : {v1, v2, v3, v4, v5, v6, v7, v8, v9}) {
        data.insert(data.end(), {Hi(v), Lo(v)});
    }
    return Exec(0xD0, data);
}
int C::SetCommandD0Sub92Short(unsigned char a1, int a2, int a3, int a4, int a5) {
    std::vector<unsigned char> data{0x92};
    if (PackedMode(Group(), m_pRecord->GetBlockFlag())) {
        data.push_back(static_cast<unsigned char>(16 * a1 + 4 * a2 + 3));
    } else {
        data.insert(data.end(), {a1, static_cast<unsigned char>(16 * a2 + 3)});
    }
    data.insert(data.end(), {Hi(a3), Lo(a3), Hi(a4), Lo(a4), Hi(a5), Lo(a5)});
    return Exec(0xD0, data);
}
int C::SetCommandD0Sub97(unsigned char a1, int v1, int v2, int v3, int v4) {
    std::vector<unsigned char> data{0x97};
    if (PackedMode(Group(), m_pRecord->GetBlockFlag())) {
        data.push_back(static_cast<unsigned char>(16 * a1 + 4));
    } else {
        data.insert(data.end(), {a1, 0x04});
    }
    data.insert(data.end(), {Hi(v1), Lo(v1), Hi(v2), Lo(v2), Hi(v3), Lo(v3), Hi(v4), Lo(v4)});
    return Exec(0xD0, data);
}
int C::SetCommandD0Sub9FBlock(int selector, int length, const unsigned char* block) {
    if (length < 0 || length > 254 || (length > 0 && block == nullptr)) {
        return 0;
    }
    Bcast(0xD0, {0x9F, Lo(selector)});
    std::vector<unsigned char> data{0x9F};
    data.insert(data.end(), block, block + length);
    return Exec(0xD0, data);
}
int C::SetCommandD0Sub9C(int v1, int v2, int v3, int v4, int v5, int v6, int v7, int v8, int v9) {
    std::vector<unsigned char> data{0x9C, 0x33};
    for (const int v : {v1, v2, v3, v4, v5, v6, v7, v8, v9}) {
        data.insert(data.end(), {Hi(v), Lo(v)});
    }
    return Exec(0xD0, data);
}
int C::SetCommandD0Sub9CShort(int a1, int a2, int a3, int a4) {
    return Exec(0xD0, {0x9C, static_cast<unsigned char>(16 * a1 + 3), Hi(a2), Lo(a2), Hi(a3), Lo(a3), Hi(a4),
                       Lo(a4)});
}
// Mode 0 only clears the block's colour; any other mode clears it and then sets value.
int C::SetCommandD0Sub9B(int mode, unsigned char first, unsigned char second, unsigned char value) {
    const int status = Exec(0xD0, {0x9B, first, second, 0xFF});
    return mode == 0 ? status : Exec(0xD0, {0x9B, first, second, value, 0xFF});
}
// The two selections, then the two closing requests, each with its own argument.
int C::SetCommandD0Sub92And97(int a92, int a97, int b92, unsigned char b97) {
    Exec(0xD0, {0x92, Lo(a92)});
    Exec(0xD0, {0x97, Lo(a97)});
    Exec(0xD0, {0x92, Lo(b92), 0xFF});
    return Exec(0xD0, {0x97, b97, 0x04});
}
int C::ResetCommandD0Sub9C() {
    return Exec(0xD0, {0x9C, 0xFF});
}
int C::RefreshCommandD0SubA5() {
    return Family() != 7 ? Exec(0xD0, {0xA5}) : 0;
}
int C::SetCommandD0SubA5(int v, unsigned char toAll) {
    return Family() != 7 ? SetChoice(0xD0, {0xA5, Lo(v)}, toAll != 0, &D::SetValueD0xA5, v) : 0;
}
int C::SetCommandD0Sub89(unsigned char v) {
    return SetChoice(0xD0, {0x89, v}, true, &D::SetValueD0x89, v);
}
int C::SetCommandD0Sub8B(int a1, int a2) {
    return Exec(0xD0, {0x8B, 0x00, 0x02, Lo(a1), Lo(a2)});
}
int C::SetCommand1BSub89(int v) {
    return Exec(0x1B, {0x89, Lo(v)});
}
int C::SendCommandD0Raw(const std::vector<unsigned char>* data) {
    return data != nullptr ? Bcast(0xD0, *data) : 0;
}
int C::SetCommand1BSub91(unsigned char v) {
    return SetChoice(0x1B, {0x91, v}, true, &D::SetValue1Bx91, v);
}
// Large payloads in 64 KiB chunks.
int C::ExecuteCommandD1(int subCode, const unsigned char* data, int length) {
    if (m_pHandler == nullptr || data == nullptr || length <= 0) {
        return 0;
    }
    return static_cast<int>(m_pHandler->TransferChunked(m_pRecord, 0xD1, Lo(subCode), length, data, 64));
}
int C::SetCommandD0SubC3() {
    return Exec(0xD0, {0xC3, 0x01});
}
int C::RefreshCommand84() {
    return Exec(0x84, {});
}
int C::SetCommand84(int v) {
    return Exec(0x84, {Lo(v)});
}
int C::RefreshCommand1F() {
    return Exec(0x1F, {});
}
int C::SetCommand1F(int v) {
    return Exec(0x1F, {Lo(v)});
}

// --- 0x1B selectors
int C::SetCommand1BSub3D(unsigned char v) {
    return Family() == 7 ? Exec(0x1B, {0x3D, v}) : 0;
}
int C::SetCommand1BSub3E(int a1, int a2, int a3, unsigned char a4) {
    return Family() == 7 ? Exec(0x1B, {0x3E, Lo(a1), Lo(a2), Lo(a3), a4}) : 0;
}
// Information texts and version first, then the hardware address, each followed by the version query.
int C::RefreshCommand1BAnd0E() {
    Exec(0x1B, {0xA4});
    Exec(0x0E, {});
    Exec(0x1B, {0x81});
    return Exec(0x0E, {});
}
int C::RefreshCommand1BSubA4() {
    return Exec(0x1B, {0xA4});
}
int C::RefreshCommand1BSub90() {
    return Exec(0x1B, {0x90});
}
int C::RefreshCommand83() {
    return Exec(0x83, {});
}
int C::SetCommand1BSub95(unsigned char v) {
    return FamilyIs({4, 5}) ? Exec(0x1B, {0x95, v}) : 0;
}
int C::RefreshCommand1BSub96() {
    return FamilyIs({4, 5}) ? Exec(0x1B, {0x96}) : 0;
}
int C::SetCommand1BSub96(unsigned char v) {
    return FamilyIs({4, 5}) ? Exec(0x1B, {0x96, v}) : 0;
}
int C::SetCommand1BSub97(int v) {
    return Family() == 7 ? Exec(0x1B, {0x97, 0x01, Lo(v)}) : 0;
}
int C::SetCommand1BSub97Address(const unsigned char* o) {
    if (Family() != 7 || o == nullptr) {
        return 0;
    }
    return Exec(0x1B, {0x97, 0x81, 0x06, 0x02, 0x04, o[0], o[1], o[2], o[3]});
}
int C::RefreshCommand1BSub97() {
    return Family() == 7 ? Exec(0x1B, {0x97}) : 0;
}
int C::ResetCommand1BSub97() {
    return Family() == 7 ? Exec(0x1B, {0x97, 0x81, 0x01, 0x00}) : 0;
}
// Bit k of the data byte after 0xA2 is entry k of the seven flags.
int C::SetCommand1BSubA2(const unsigned char (*bits)[7], int a2, int a3) {
    if (bits == nullptr) {
        return 0;
    }
    unsigned char mode = 0;
    for (int k = 0; k < 7; ++k) {
        mode = static_cast<unsigned char>(mode | ((*bits)[k] != 0 ? 1 << k : 0));
    }
    return Exec(0x1B, {0xA2, mode, Lo(a2), Lo(a3)});
}

// --- 0x21 selectors
int C::SetCommand21Sub01(int v) {
    return Exec(0x21, {0x01, Lo(v)});
}
int C::SetCommand21Sub08(int v) {
    return Exec(0x21, {0x08, Lo(v)});
}
int C::SetCommand21Sub02And0B(int a1, int a2, int a3, int a4, unsigned char a5) {
    Exec(0x21, {0x02, Hi(a1), Lo(a1), Hi(a2), Lo(a2)});
    Exec(0x21, {0x0B, Hi(a3), Lo(a3), Hi(a4), Lo(a4)});
    return Exec(0x21, {0x06, a5});
}
int C::SetCommandC8Sub82(int a1, int a2, int) {
    Exec(0xC8, {0x81, Lo(a1)});
    return Exec(0xC8, {0x82, Lo(a2)});
}

namespace {
bool Has21Sub03(int family, int model) {
    return family == 2 || (family == 7 ? model == kModelQ : (model == kModelQ || model == kModelS));
}
bool Has21Sub05(int family, int model) {
    return family == 2 || model == kModelQ;
}
bool HasCA9x(int family, int model) {
    return family == 7 ? model == kModelQ : (model == kModelQ || model == kModelS);
}
bool Has21Sub0A(int family, int model) {
    return family == 2 ? (model == kModelI || model == kModelQ) : model == kModelQ;
}
bool Has21Sub0C(int family, int model) {
    return family == 2 ? (model == kModelI || model == kModelS) : model == kModelS;
}
} // namespace

int C::RefreshCommand21Sub03() {
    return Has21Sub03(Family(), Model()) ? Exec(0x21, {0x03}) : 0;
}
int C::SetCommand21Sub03(int v) {
    return Has21Sub03(Family(), Model()) ? Exec(0x21, {0x03, Lo(v)}) : 0;
}
int C::RefreshCommand21Sub04() {
    return ProductClass() == 2 ? Exec(0x21, {0x04}) : 0;
}
int C::SetCommand21Sub04(int v) {
    return ProductClass() == 2 ? Exec(0x21, {0x04, Lo(v)}) : 0;
}
int C::RefreshCommand21Sub05() {
    return Has21Sub05(Family(), Model()) ? Exec(0x21, {0x05}) : 0;
}
int C::SetCommand21Sub05(int v) {
    return Has21Sub05(Family(), Model()) ? Exec(0x21, {0x05, Lo(v)}) : 0;
}
int C::RefreshCommand21Sub50() {
    return ModelIs({kModelI, kModelQ, kModelS}) ? Exec(0x21, {0x50}) : 0;
}
int C::SetCommand21Sub50(unsigned char v) {
    return ModelIs({kModelI, kModelQ, kModelS}) ? Exec(0x21, {0x50, v}) : 0;
}
int C::RefreshCommandC4() {
    return Exec(0xC4, {});
}
int C::GetCommandC8Sub85(int* v) {
    return ModelIs({kModelCaret, kModelI}) ? Get(0xC8, {0x85}, v, &D::GetValueC8) : 0;
}
int C::SetCommandC8Sub85(int v) {
    return ModelIs({kModelCaret, kModelI}) ? Exec(0xC8, {0x85, Lo(v)}) : 0;
}
int C::SetCommand1CSub82List(std::vector<unsigned char> bytes) {
    if (bytes.size() > 253) {
        return 0;
    }
    std::vector<unsigned char> data{0x82, static_cast<unsigned char>(bytes.size())};
    data.insert(data.end(), bytes.begin(), bytes.end());
    return Exec(0x1C, data);
}
int C::GetCommand21Sub09(unsigned char* v) {
    return Get(0x21, {0x09}, v, &D::GetValue21x09);
}
int C::SetCommand21Sub09(unsigned char v) {
    return Exec(0x21, {0x09, v});
}
int C::GetCommand86(unsigned char* v) {
    return Get(0x86, {}, v, &D::GetValue86);
}
int C::SetCommand86(unsigned char v) {
    return Exec(0x86, {v});
}
int C::GetCommandCASubB0(int* v) {
    return Get(0xCA, {0xB0}, v, &D::GetValueXB0);
}
int C::SetCommandCASubB0(int v) {
    return Exec(0xCA, {0xB0, Lo(v)});
}
int C::GetCommandCASub93(unsigned char* v) {
    return HasCA9x(Family(), Model()) ? Get(0xCA, {0x93}, v, &D::GetValueCAx93) : 0;
}
int C::SetCommandCASub93(unsigned char v) {
    return HasCA9x(Family(), Model()) ? Exec(0xCA, {0x93, v}) : 0;
}
int C::GetCommandCASub95(unsigned char* v) {
    return HasCA9x(Family(), Model()) ? Get(0xCA, {0x95}, v, &D::GetValueCAx95) : 0;
}
int C::SetCommandCASub95(unsigned char v) {
    return HasCA9x(Family(), Model()) ? Exec(0xCA, {0x95, v}) : 0;
}
int C::GetCommandCASub94(unsigned char* v) {
    return HasCA9x(Family(), Model()) ? Get(0xCA, {0x94}, v, &D::GetValueCAx94) : 0;
}
int C::SetCommandCASub94(unsigned char v) {
    return HasCA9x(Family(), Model()) ? Exec(0xCA, {0x94, v}) : 0;
}
int C::GetCommand21Sub0A(int* v) {
    return Has21Sub0A(Family(), Model()) ? Get(0x21, {0x0A}, v, &D::GetValue21x0A) : 0;
}
int C::SetCommand21Sub0A(int v) {
    return Has21Sub0A(Family(), Model()) ? Exec(0x21, {0x0A, Lo(v)}) : 0;
}
int C::GetCommand21Sub54(int* v) {
    const bool has = ModelIs({kModelI, kModelQ, kModelS}) && !m_pRecord->GetValue21x09();
    return has ? Get(0x21, {0x54}, v, &D::GetValue21x54) : 0;
}
int C::SetCommand21Sub54(int v) {
    const bool has = ModelIs({kModelI, kModelQ, kModelS}) && !m_pRecord->GetValue21x09();
    return has ? Exec(0x21, {0x54, Lo(v)}) : 0;
}
int C::GetCommandC7Sub81(int* v) {
    return Get(0xC7, {0x81}, v, &D::GetValueC7);
}
int C::SetCommandC7Sub81(int v) {
    return Exec(0xC7, {0x81, Lo(v)});
}
int C::SetCommandC7Sub82List(std::vector<unsigned char> bytes) {
    if (bytes.size() > 254) {
        return 0;
    }
    std::vector<unsigned char> data{0x82};
    data.insert(data.end(), bytes.begin(), bytes.end());
    return Exec(0xC7, data);
}
int C::RefreshCommand21Sub0C() {
    return Has21Sub0C(Family(), Model()) ? Exec(0x21, {0x0C}) : 0;
}
int C::SetCommand21Sub0C(unsigned char a1, int a2, int a3) {
    return Has21Sub0C(Family(), Model()) ? Exec(0x21, {0x0C, a1, Lo(a2), Lo(a3)}) : 0;
}
int C::RefreshCommandD0SubA4() {
    return Exec(0xD0, {0xA4});
}
int C::SetCommandD0SubA4(int v, unsigned char toAll) {
    return SetChoice(0xD0, {0xA4, Lo(v)}, toAll != 0, &D::SetValueD0xA4, v);
}
int C::SetCommand1BSub50(int a1, int a2, int) {
    return Exec(0x1B, {0x50, 0x01, Lo(a1), Lo(a2), 0x00});
}
int C::SetCommandD0SubB4(int v) {
    return Exec(0xD0, {0xB4, Lo(v)});
}
// The value travels as the last of four bytes behind a 0x01 byte.
int C::SetCommandD0SubC6(int v) {
    return Bcast(0xD0, {0xC6, 0x00, 0x01, 0x00, 0x00, Lo(v)});
}
int C::RefreshCommand1BSub3C() {
    return Family() == 7 ? Exec(0x1B, {0x3C}) : 0;
}
int C::SetCommand1BSub3C(int v) {
    return Family() == 7 ? Exec(0x1B, {0x3C, Lo(v)}) : 0;
}
int C::RefreshCommandD0Sub8D() {
    return Exec(0xD0, {0x8D});
}
int C::SetCommandD0Sub8D(int v, unsigned char toAll) {
    return SetChoice(0xD0, {0x8D, Hi(v), Lo(v)}, toAll != 0, &D::SetValueD0x8D, v);
}
int C::RefreshCommandD0Sub8E() {
    return Exec(0xD0, {0x8E});
}
int C::SetCommandD0Sub8E(int v, unsigned char toAll) {
    return SetChoice(0xD0, {0x8E, Lo(v)}, toAll != 0, &D::SetValueD0x8E, v);
}
int C::GetCommand21Sub70(int* v) {
    return Get(0x21, {0x70}, v, &D::GetValue21x70);
}
int C::SetCommand21Sub70(int v) {
    return Exec(0x21, {0x70, Lo(v)});
}
int C::GetCommand21Sub71(int* v) {
    return Get(0x21, {0x71}, v, &D::GetValue21x71);
}
int C::SetCommand21Sub71(int v) {
    return Exec(0x21, {0x71, Lo(v)});
}
int C::GetCommand21Sub72(int* v) {
    return Get(0x21, {0x72}, v, &D::GetValue21x72);
}
int C::SetCommand21Sub72(int v) {
    return Exec(0x21, {0x72, Hi(v), Lo(v)});
}
int C::RefreshCommand1BSub31() {
    return Family() == 7 ? Exec(0x1B, {0x31}) : 0;
}
int C::SetCommand1BSub31(int v) {
    return Family() == 7 ? Exec(0x1B, {0x31, Lo(v)}) : 0;
}
int C::RefreshCommand1BSub32() {
    return Family() == 7 && LinkVariant() == 1 ? Exec(0x1B, {0x32}) : 0;
}
int C::SetCommand1BSub32(unsigned char v) {
    return Family() == 7 && LinkVariant() == 1 ? Exec(0x1B, {0x32, v}) : 0;
}
int C::RefreshCommand1BSub34() {
    return Family() == 7 && LinkVariant() == 1 ? Exec(0x1B, {0x34}) : 0;
}
// Two 16-bit values, each behind its index byte.
int C::SetCommand1BSub34(int a1, int a2) {
    return Family() == 7 && LinkVariant() == 1
               ? Exec(0x1B, {0x34, 0x00, Hi(a1), Lo(a1), 0x01, Hi(a2), Lo(a2)})
               : 0;
}
int C::RefreshCommand1BSub35() {
    return Family() == 7 ? Exec(0x1B, {0x35}) : 0;
}
int C::SetCommand1BSub35(int a1, int a2, int a3) {
    return Family() == 7 ? Exec(0x1B, {0x35, 0x00, Lo(a1), 0x01, Lo(a2), 0x02, Lo(a3)}) : 0;
}
int C::RefreshCommand1BSub33() {
    return Family() == 7 && (LinkVariant() == 1 || LinkVariant() == 2) ? Exec(0x1B, {0x33}) : 0;
}
int C::SetCommand1BSub33(int v) {
    return Family() == 7 && (LinkVariant() == 1 || LinkVariant() == 2) ? Exec(0x1B, {0x33, Hi(v), Lo(v)}) : 0;
}
int C::RefreshCommand1BSub98() {
    return Family() == 7 ? Exec(0x1B, {0x98}) : 0;
}
int C::SendCommand1BRaw(const unsigned char* data, int length) {
    if (Family() != 7 || data == nullptr || length <= 0 || length > 255) {
        return 0;
    }
    return Exec(0x1B, std::vector<unsigned char>(data, data + length));
}

} // namespace zol::helpers
