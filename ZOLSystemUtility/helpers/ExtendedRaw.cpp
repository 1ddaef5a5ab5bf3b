// Raw gets: operations that read the reply themselves instead of the record. A reply counts only when
// the picker finds this display's packet for this command and its acknowledgement byte is 'A'; out-
// arguments are left alone otherwise.

#include "helpers/ExtendedHelper.h"

#include "Logger.h"
#include "ZOLNetworkHelper.h"
#include "ZOLSystemHelper.h"
#include "platform/Pause.h"

#include <string_view>

namespace zol::helpers {

namespace {
using C = CCommunicationHelperExtended;

unsigned char Lo(int value) {
    return static_cast<unsigned char>(value & 0xFF);
}

template <typename T, typename V> void Put(T* out, V value) {
    if (out != nullptr) {
        *out = static_cast<T>(value);
    }
}

// Identification-text prefixes of displays that take command 0xE3 even when the record does not say so.
constexpr std::string_view kE3Prefixes[] = {"PRF-E3A", "PRF-E3B"};
} // namespace

bool C::SendCommandE3(int first, int second) {
    bool allowed = m_pRecord->IsCommandE3Allowed(first, second);
    if (!allowed) {
        std::string text;
        m_pRecord->GetIdentificationText(text);
        for (const auto prefix : kE3Prefixes) {
            allowed = allowed || text.rfind(prefix, 0) == 0;
        }
    }
    return allowed && Raw(0xE3, {Lo(first), Lo(second)}).has_value();
}

int C::SwitchCommand71Mode() {
    const auto reply = Raw(0x71, {});
    if (!reply || !reply->Ack()) {
        return 0;
    }
    const int reported = reply->At(6);
    const int target = reported < 6 ? 5 : (reported >= 16 && reported <= 22 ? 22 : 0);
    if (target == reported) {
        return 1;
    }
    auto set = Raw(0x71, {Lo(target)});
    if (set && set->Nak()) {
        set = Raw(0x71, {static_cast<unsigned char>(target == 5 ? 22 : 5)});
    }
    return set && set->Ack() ? 1 : 0;
}

int C::GetCommand58Raw(int* level) {
    const auto reply = Raw(0x58, {});
    if (!reply || !reply->Ack()) {
        return 0;
    }
    Put(level, reply->At(6));
    return 1;
}

int C::SetCommand58Raw(int level) {
    const auto reply = Raw(0x58, {Lo(level)});
    if (!reply || reply->Size() == 0) {
        return 0;
    }
    return reply->Ack() ? 1 : (reply->Nak() ? 2 : 0);
}

int C::ClearCommand92() {
    const auto reply = Raw(0x92, {});
    if (!reply || !reply->Ack() || reply->At(6) == 0) {
        return 0;
    }
    const auto cleared = Raw(0x92, {0x00});
    platform::Pause(200);
    return cleared && cleared->Ack() ? 1 : 0;
}

int C::GetCommand84Flag() {
    const auto reply = Raw(0x84, {});
    return reply && reply->Ack() && reply->At(6) != 0 ? 1 : 0;
}

int C::GetCommandA3(unsigned char* bit0, unsigned char* bit2, unsigned char* bit3, unsigned char* bit4) {
    const auto reply = WithReply(0xA3, {});
    if (!reply || !reply->Ack()) {
        return 0;
    }
    const int flags = reply->At(6);
    Put(bit0, flags & 1);
    Put(bit2, (flags >> 2) & 1);
    Put(bit3, (flags >> 3) & 1);
    Put(bit4, (flags >> 4) & 1);
    return 1;
}

int C::SetCommandA3Flags(unsigned char new0, unsigned char new2, unsigned char new3, unsigned char new4,
                         unsigned char current0, unsigned char current2, unsigned char current3,
                         unsigned char current4) {
    int status = 0;
    if (new0 != current0) {
        status = Exec(0xA3, {0x00, new0});
    }
    if (new2 != current2) {
        status = Exec(0xA3, {0x02, new2});
    }
    if (new3 != current3) {
        status = Exec(0xA3, {0x03, new3});
    }
    if (new4 != current4) {
        status = Exec(0xA3, {0x04, new4});
    }
    return status;
}

int C::GetCommandA9(int* count, unsigned char* first, unsigned char* second, unsigned char* third,
                    unsigned char* fourth) {
    Put(count, 0);
    if (first == nullptr || second == nullptr || third == nullptr || fourth == nullptr) {
        return 0;
    }
    const auto reply = WithReply(0xA9, {});
    if (!reply || !reply->Ack()) {
        return 0;
    }
    const int entries = std::min<int>(reply->At(6), 20);
    Put(count, entries);
    for (int i = 0; i < entries; ++i) {
        const auto entry = WithReply(0xA9, {Lo(i)});
        if (!entry || !entry->Ack()) {
            return 0;
        }
        if (entry->At(6) != i) {
            continue;
        }
        const unsigned char b[] = {entry->At(7), entry->At(8), entry->At(9), entry->At(10)};
        if (b[0] < 255 && b[1] < 255 && b[2] < 255 && b[3] < 255) {
            first[i] = b[0];
            second[i] = b[1];
            third[i] = b[2];
            fourth[i] = b[3];
        }
    }
    return 1;
}

int C::SetCommandA8(int mode, int a2, int a3, int a4, int a5) {
    const bool clear = mode == 2;
    auto arg = [clear](int value) { return clear ? static_cast<unsigned char>(0) : Lo(value); };
    const auto reply = WithReply(0xA8, {Lo(mode), arg(a2), arg(a3), arg(a4), arg(a5)});
    return reply && reply->Ack() ? 1 : 0;
}

int C::GetCommandB7(int* first, int* second, int* third, int* fourth) {
    const auto reply = WithReply(0xB7, {});
    if (!reply || !reply->Ack()) {
        return 0;
    }
    Put(first, reply->Word(6));
    Put(second, reply->Word(8));
    Put(third, reply->Word(10));
    Put(fourth, reply->Word(12));
    return 1;
}

int C::GetCommand03(int* first, int* second, int* third) {
    const auto reply = WithReply(0x03, {});
    if (!reply || !reply->Ack()) {
        return 0;
    }
    Put(first, reply->At(7));
    Put(second, reply->At(8));
    Put(third, reply->At(10));
    return 1;
}

int C::ReadCommand0DReply() {
    const auto reply = WithReply(0x0D, {});
    return reply && reply->Ack() && reply->At(9) == 0 ? 1 : 0;
}

int C::GetCommand0DValues(int (*values)[6]) {
    const auto reply = WithReply(0x0D, {});
    if (!reply || !reply->Ack()) {
        return 0;
    }
    if (values != nullptr) {
        for (int i = 0; i < 6; ++i) {
            (*values)[i] = reply->At(6 + static_cast<std::size_t>(i));
        }
    }
    return 1;
}

// A block of the long-frame table: the selector, then the index as four bytes, high first; the rest
// of the eight request bytes are zero.
int C::GetCommandD2Block(int index, unsigned char selector) {
    const auto reply = WithReply(0xD2, {selector, static_cast<unsigned char>((index >> 24) & 0xFF),
                                        static_cast<unsigned char>((index >> 16) & 0xFF),
                                        static_cast<unsigned char>((index >> 8) & 0xFF), Lo(index), 0, 0, 0});
    return reply && reply->Ack() ? 1 : 0;
}

int C::GetCommandC0Sub0C(int* value0C, int* value0D, int* value0E, int* value0F) {
    int result = 0;
    int* outs[] = {value0C, value0D, value0E, value0F};
    for (int i = 0; i < 4; ++i) {
        const auto sub = static_cast<unsigned char>(0x0C + i);
        const auto reply = WithReply(0xC0, {sub}, sub);
        result = reply && reply->Ack() ? 1 : 0;
        if (result == 1) {
            Put(outs[i], reply->At(7));
        }
    }
    return result;
}

int C::GetCommandD0Sub93(int* bit3Value, int* bit2Value, int* otherValue) {
    const auto reply = WithReply(0xD0, {0x93}, 0x93);
    if (!reply || !reply->Ack()) {
        return 0;
    }
    for (std::size_t at = 7; at <= 11; at += 2) {
        const int mode = reply->At(at);
        const int value = ((mode & 1) << 8) | reply->At(at + 1);
        Put((mode & 0x08) != 0 ? bit3Value : ((mode & 0x04) != 0 ? bit2Value : otherValue), value);
    }
    return 1;
}

namespace {
bool PackedModeFor(int group, int blockFlag) {
    return (group == 2 || group == 4 || group == 5) && blockFlag == 1;
}
} // namespace

// The query names the selector as the matching set does; the words follow the mode byte(s).
int C::GetCommandD0Sub92(unsigned char selector, int* v1, int* v2, int* v3, int* v4, int* v5, int* v6,
                         int* v7, int* v8, int* v9) {
    const bool packed = PackedModeFor(Group(), m_pRecord->GetBlockFlag());
    const auto reply = packed ? WithReply(0xD0, {0x92, static_cast<unsigned char>(16 * selector + 15)}, 0x92)
                              : WithReply(0xD0, {0x92, selector, 0x33}, 0x92);
    if (!reply || !reply->Ack()) {
        return 0;
    }
    const std::size_t first = packed ? 8 : 9;
    int* outs[] = {v1, v2, v3, v4, v5, v6, v7, v8, v9};
    for (std::size_t i = 0; i < 9; ++i) {
        Put(outs[i], reply->Word(first + 2 * i));
    }
    return 1;
}

int C::GetCommandD0Sub97(unsigned char selector, int* v1, int* v2, int* v3, int* v4) {
    const bool packed = PackedModeFor(Group(), m_pRecord->GetBlockFlag());
    const auto reply = packed ? WithReply(0xD0, {0x97, static_cast<unsigned char>(16 * selector + 4)}, 0x97)
                              : WithReply(0xD0, {0x97, selector, 0x04}, 0x97);
    if (!reply || !reply->Ack()) {
        return 0;
    }
    const std::size_t first = packed ? 8 : 9;
    int* outs[] = {v1, v2, v3, v4};
    for (std::size_t i = 0; i < 4; ++i) {
        Put(outs[i], reply->Word(first + 2 * i));
    }
    return 1;
}

int C::GetCommandD0Sub9C(int* v1, int* v2, int* v3, int* v4, int* v5, int* v6, int* v7, int* v8, int* v9) {
    const auto reply = WithReply(0xD0, {0x9C, 0x33}, 0x9C);
    if (!reply || !reply->Ack()) {
        return 0;
    }
    int* outs[] = {v1, v2, v3, v4, v5, v6, v7, v8, v9};
    for (std::size_t i = 0; i < 9; ++i) {
        Put(outs[i], reply->Word(8 + 2 * i));
    }
    return 1;
}

int C::GetCommandD0Sub89(unsigned char* on, int* first, int* second) {
    const auto reply = WithReply(0xD0, {0x89}, 0x89);
    if (!reply || !reply->Ack()) {
        return 0;
    }
    Put(on, reply->At(7) != 0 ? 1 : 0);
    Put(first, reply->At(8));
    Put(second, reply->At(9));
    return 1;
}

// The display reports in the byte behind the sub-code whether the last upload arrived complete.
int C::ReadCommandD0SubC0Reply() {
    const auto reply = WithReply(0xD0, {0xC0}, 0xC0);
    return reply && reply->Ack() && reply->At(7) != 0 ? 1 : 0;
}

int C::SetCommandD0SubC1(unsigned char value) {
    const auto reply = WithReply(0xD0, {0xC1, value}, 0xC1);
    return reply && reply->Ack() ? 1 : 0;
}

int C::GetCommandD0SubA0(int* first, int* second) {
    const auto reply = WithReply(0xD0, {0xA0}, 0xA0);
    if (!reply || !reply->Ack()) {
        return 0;
    }
    Put(first, reply->At(7));
    Put(second, reply->At(8));
    return 1;
}

int C::GetCommandD0SubC3(int* value) {
    const auto reply = WithReply(0xD0, std::vector<unsigned char>{0xC3}, 0xC3, false);
    if (!reply) {
        return 0;
    }
    if (!reply->Ack()) {
        Put(value, 0);
        return 0;
    }
    Put(value, reply->At(8));
    return reply->At(7);
}

int C::GetCommandD0SubA6(std::vector<SetIdRange>* ranges) {
    const auto reply = WithReply(0xD0, std::vector<unsigned char>{0xA6}, 0xA6, false);
    if (!reply) {
        return 0;
    }
    if (ranges != nullptr) {
        ranges->clear();
    }
    if (!reply->Ack()) {
        return 0;
    }
    const int count = std::max(0, reply->Length() - 4);
    std::vector<unsigned char> bytes;
    bytes.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        bytes.push_back(reply->At(8 + static_cast<std::size_t>(i)));
    }
    const std::string text = CZOLSystemHelper::ConvertByteToAsciiString(bytes.data(), count);
    if (ranges != nullptr) {
        *ranges = CZOLSystemHelper::GetAlivedIdRangeFromDataString(text);
    }
    return 1;
}

int C::ReadCommand1BSub3DReply() {
    if (Family() != 7) {
        return 0;
    }
    const auto reply = WithReply(0x1B, {0x3D}, 0x3D);
    return reply && reply->Ack() ? 1 : 0;
}

int C::GetCommand1BSub3E(int* first, int* second, int* third, int* fourth) {
    if (Family() != 7) {
        return 0;
    }
    const auto reply = WithReply(0x1B, {0x3E}, 0x3E);
    if (!reply || !reply->Ack()) {
        return 0;
    }
    Put(first, reply->At(7));
    Put(second, reply->At(8));
    Put(third, reply->At(9));
    Put(fourth, reply->At(10));
    return 1;
}

// The information texts: twelve texts separated by zero bytes, behind the sub-code of the long frame.
int C::GetCommandD2Sub32Strings() {
    const auto reply = WithReply(0xD2, {0x32}, 0x32);
    if (!reply || !reply->Ack()) {
        return 0;
    }
    using Setter = void (ILFDData::*)(const std::string&);
    static constexpr Setter kSetters[] = {
        &ILFDData::SetD2x32Text1,  &ILFDData::SetD2x32Text2,  &ILFDData::SetD2x32Text3,
        &ILFDData::SetD2x32Text4,  &ILFDData::SetD2x32Text5,  &ILFDData::SetD2x32Text6,
        &ILFDData::SetD2x32Text7,  &ILFDData::SetD2x32Text8,  &ILFDData::SetD2x32Text9,
        &ILFDData::SetD2x32Text10, &ILFDData::SetD2x32Text11, &ILFDData::SetD2x32Text12};
    const auto& bytes = reply->Bytes();
    const std::size_t end = std::min(bytes.size() - 1, static_cast<std::size_t>(reply->Word(3)) + 5);
    std::size_t at = 8;
    for (const Setter setter : kSetters) {
        std::string text;
        while (at < end && bytes[at] != 0) {
            text.push_back(static_cast<char>(bytes[at++]));
        }
        ++at;
        (m_pRecord->*setter)(text);
    }
    return 1;
}

// Text `index` of the long-frame text table; when the display has none, the index-th address of the
// 0x1B 0x84 list as dotted text.
int C::GetCommand1BSub84String(unsigned char index, std::wstring* text) {
    const auto table = WithReply(0xD2, {0x60, index}, 0x60);
    if (table && table->Ack()) {
        const auto& bytes = table->Bytes();
        const std::size_t end = std::min(bytes.size() - 1, static_cast<std::size_t>(table->Word(3)) + 5);
        if (text != nullptr && end > 8) {
            *text = CZOLSystemHelper::ConvertByteToAsciiWString(bytes.data() + 8, static_cast<int>(end - 8));
        }
        return 1;
    }
    const auto list = WithReply(0x1B, {0x84}, 0x84);
    if (!list || !list->Ack()) {
        return 0;
    }
    const std::size_t at = 7 + 4 * static_cast<std::size_t>(index);
    if (at + 4 > static_cast<std::size_t>(list->Length()) + 4) {
        return 0;
    }
    const unsigned char octets[] = {list->At(at), list->At(at + 1), list->At(at + 2), list->At(at + 3)};
    Put(text, CZOLNetworkHelper::GetIPStringFromOctets(octets, 4));
    return 1;
}

int C::SetCommand1BSub84Addresses(std::vector<std::string> addresses) {
    if (addresses.size() * 4 + 1 > 255) {
        ZOL_LOG_ERROR << "Address list of " << static_cast<int>(addresses.size()) << " entries is too long";
        return 0;
    }
    std::vector<unsigned char> data{0x84};
    for (const auto& address : addresses) {
        const auto octets = CZOLNetworkHelper::GetOctetsFromIPString(CZOLSystemHelper::StrToWStr(address));
        if (octets.size() != 4) {
            ZOL_LOG_ERROR << "Not an IPv4 address: " << address;
            return 0;
        }
        data.insert(data.end(), octets.begin(), octets.end());
    }
    return Exec(0x1B, data);
}

int C::GetCommand1BSub92(int* value) {
    const auto reply = WithReply(0x1B, {0x92}, 0x92);
    if (!reply || !reply->Ack()) {
        return 0;
    }
    Put(value, reply->Word(7));
    return 1;
}

int C::GetCommand1BSub97(int* value) {
    if (Family() != 7) {
        return 0;
    }
    const auto reply = WithReply(0x1B, {0x97}, 0x97);
    if (!reply || !reply->Ack()) {
        return 0;
    }
    Put(value, reply->At(7));
    return 1;
}

// [0x97, 0x81, L1 + L2 + 3, 0x01, L1, address, L2, text]
int C::SetCommand1BSub97Texts(std::wstring text) {
    const std::string address = Address();
    const std::string narrow = CZOLSystemHelper::WStr2Str(text);
    if (Family() != 7 || address.empty() || narrow.empty() || address.size() + narrow.size() + 7 > 255) {
        return 0;
    }
    std::vector<unsigned char> data{0x97, 0x81,
                                    static_cast<unsigned char>(address.size() + narrow.size() + 3), 0x01,
                                    static_cast<unsigned char>(address.size())};
    data.insert(data.end(), address.begin(), address.end());
    data.push_back(static_cast<unsigned char>(narrow.size()));
    data.insert(data.end(), narrow.begin(), narrow.end());
    return Exec(0x1B, data);
}

int C::GetCommand1BSubA2(unsigned char (*bits)[7], int* first, int* second) {
    const auto reply = WithReply(0x1B, {0xA2}, 0xA2);
    if (!reply || !reply->Ack()) {
        return 0;
    }
    if (bits != nullptr) {
        for (int k = 0; k < 7; ++k) {
            (*bits)[k] = static_cast<unsigned char>((reply->At(7) >> k) & 1);
        }
    }
    Put(first, reply->At(8));
    Put(second, reply->At(9));
    return 1;
}

int C::GetCommand21Sub01(int* value, int* value08) {
    const auto reply = WithReply(0x21, {0x01}, 0x01);
    int result = 0;
    if (reply && reply->Ack()) {
        Put(value, reply->At(7));
        result = 1;
    }
    if (m_pRecord->IsSupported21Sub01()) {
        result = Get(0x21, {0x08}, value08, &ILFDData::GetValue21x08);
    }
    return result;
}

// a3 and a4 come from sub-code 0x0B (families 2 and 7 have it), a5 from sub-code 0x06.
int C::GetCommand21Sub02(int* a1, int* a2, int* a3, int* a4, int* a5) {
    Put(a3, -1);
    Put(a4, -1);
    const auto reply = WithReply(0x21, {0x02}, 0x02);
    if (!reply || !reply->Ack()) {
        return 0;
    }
    Put(a1, reply->Word(7));
    Put(a2, reply->Word(9));
    if (FamilyIs({2, 7})) {
        const auto more = WithReply(0x21, {0x0B}, 0x0B);
        if (more && more->Ack()) {
            Put(a3, more->Word(7));
            Put(a4, more->Word(9));
        }
    }
    const auto mode = WithReply(0x21, {0x06}, 0x06);
    if (mode && mode->Ack()) {
        Put(a5, mode->At(7));
    }
    return 1;
}

int C::GetCommandC8Sub82(int* value81, int* value82, void* context) {
    if (!m_pRecord->IsSupportedC8Sub82(value81, value82, context)) {
        return 0;
    }
    int result = 0;
    if (const auto reply = WithReply(0xC8, {0x81}, 0x81); reply && reply->Ack()) {
        Put(value81, reply->At(7));
        result = 1;
    }
    if (const auto reply = WithReply(0xC8, {0x82}, 0x82); reply && reply->Ack()) {
        Put(value82, reply->At(7));
        result = 1;
    }
    return result;
}

int C::GetCommand1CSub82(std::wstring* text, int* secured, int* port) {
    const auto reply = WithReply(0x1C, {0x82}, 0x82);
    if (!reply || !reply->Ack()) {
        return 0;
    }
    const bool isSecured = reply->At(11) == 's';
    Put(secured, isSecured ? 1 : 0);
    const std::size_t first = isSecured ? 15 : 14;
    const int count = reply->Length() - (isSecured ? 11 : 10);
    std::wstring all = text != nullptr ? *text : std::wstring();
    for (int i = 0; i < count; ++i) {
        all.push_back(static_cast<wchar_t>(reply->At(first + static_cast<std::size_t>(i))));
    }
    const auto colon = all.find(L':');
    if (colon != std::wstring::npos) {
        Put(port, std::wcstol(all.c_str() + colon + 1, nullptr, 10));
        all.resize(colon);
    }
    Put(text, all);
    return 1;
}

int C::GetCommandC7Sub82(std::vector<unsigned short>* values) {
    const auto reply = WithReply(0xC7, {0x82}, 0x82);
    if (!reply || !reply->Ack()) {
        return 0;
    }
    if (values != nullptr) {
        for (std::size_t at = 7; at <= static_cast<std::size_t>(reply->Length()) + 3; ++at) {
            values->push_back(reply->At(at));
        }
    }
    return 1;
}

int C::GetCommand1BSub36(int* count, std::vector<int>* first, std::vector<int>* second,
                         std::vector<int>* third) {
    if (Family() != 7 || LinkVariant() != 0) {
        return 0;
    }
    const auto reply = WithReply(0x1B, {0x36}, 0x36);
    if (!reply || !reply->Ack()) {
        return 0;
    }
    const int n = reply->At(7);
    Put(count, n);
    for (int i = 0; i < n; ++i) {
        const std::size_t at = 8 + 3 * static_cast<std::size_t>(i);
        if (first != nullptr) {
            first->push_back(reply->At(at));
        }
        if (second != nullptr) {
            second->push_back(reply->At(at + 1));
        }
        if (third != nullptr) {
            third->push_back(reply->At(at + 2));
        }
    }
    return 1;
}

int C::SetCommand1BSub36List(int count, const int* first, const int* second, const int* third) {
    if (count < 0 || count > 84 ||
        (count > 0 && (first == nullptr || second == nullptr || third == nullptr))) {
        ZOL_LOG_ERROR << "List of " << count << " entries refused (at most 84)";
        return 0;
    }
    std::vector<unsigned char> data{0x36, Lo(count)};
    for (int i = 0; i < count; ++i) {
        data.insert(data.end(), {Lo(first[i]), Lo(second[i]), Lo(third[i])});
    }
    const auto reply = WithReply(0x1B, data);
    return reply && reply->Ack() ? 1 : 0;
}

int C::SendCommandD2Raw(const unsigned char* data, int length) {
    if (Family() != 7 || (LinkVariant() != 1 && LinkVariant() != 2) || data == nullptr || length <= 0) {
        return 0;
    }
    const auto reply = WithReply(0xD2, std::vector<unsigned char>(data, data + length));
    return reply && reply->Ack() ? 1 : 0;
}

// DownloadFileOverTls lives in DownloadFileOverTls.cpp, beside the TLS file client it drives.

} // namespace zol::helpers
