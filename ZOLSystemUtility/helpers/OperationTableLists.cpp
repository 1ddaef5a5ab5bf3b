// The operations of the table that take or give lists, texts, bytes or fixed arrays. Each reads its
// in-arguments by kind (OperationArguments.cpp) and checks what a length or a size says about them before
// the operation reads a pointer, so that no operation reads past what was given.

#include "helpers/ExtendedHelper.h"
#include "helpers/OperationArguments.h"

#include "WallDataLib.h"

#include <algorithm>
#include <array>
#include <map>

namespace zol::helpers {

namespace {

using I = ICommunicationHelperExtended;
using In = std::vector<ArgValue>;
using Result = std::optional<OperationResult>;
using K = ArgKind;

constexpr std::size_t kMatrix = 9;
constexpr std::size_t kBuiltInBlock = 242;
constexpr std::size_t kA9Entries = 20;

constexpr ArgLimit kLowByte{0, 255};
constexpr ArgLimit Exactly(std::size_t count) {
    return {0, 0, count, false};
}
constexpr ArgLimit OrEmpty(std::size_t count) {
    return {0, 0, count, true};
}

const int* Or(const ArgValue& value) {
    return value.given ? value.ints.data() : nullptr;
}

std::wstring Widen(const std::string& text) {
    std::wstring wide;
    for (const char c : text) {
        wide.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
    }
    return wide;
}

std::string Narrow(const std::wstring& text) {
    std::string narrow;
    for (const wchar_t c : text) {
        narrow.push_back(c >= 0 && c < 0x100 ? static_cast<char>(c) : '?');
    }
    return narrow;
}

OperationResult Status(int result) {
    OperationResult r;
    r.result = result;
    return r;
}

void PutNumber(OperationResult& r, int value) {
    r.outs.push_back(value);
    r.values.emplace_back(value);
}

std::optional<OperationResult> Refuse(std::string* error, const std::string& why) {
    if (error != nullptr) {
        *error = why;
    }
    return std::nullopt;
}

// A register table block holds three parts of (width + 2) x (height + 2) values. Sizes the operation
// refuses anyway need no block of their size.
bool BlockFits(const ArgValue& block, long long width, long long height, std::string* error,
               std::string_view name) {
    if (width <= 0 || height <= 0 || width > 0x3FFF || height > 0x3FFF) {
        return true;
    }
    const auto needed = static_cast<std::size_t>(3 * (width + 2) * (height + 2));
    if (block.ints.size() != needed) {
        if (error != nullptr) {
            *error = std::string(name) + ": a " + std::to_string(width) + " x " + std::to_string(height) +
                     " table takes 3 x (width + 2) x (height + 2) = " + std::to_string(needed) +
                     " values, not " + std::to_string(block.ints.size());
        }
        return false;
    }
    return true;
}

constexpr std::string_view kBlockNote = "3 x (width + 2) x (height + 2) values";

std::vector<Operation> BuildLists() {
    std::vector<Operation> t;
    t.push_back(MakeOperation("ResetMatrix", {K::DoublesOut}, ResultKind::Status, {}, {"9 values"},
                              [](I& h, const In&, std::string*) -> Result {
                                  double matrix[kMatrix] = {};
                                  OperationResult r = Status(h.ResetMatrix(&matrix));
                                  r.values.emplace_back(std::vector<double>(matrix, matrix + kMatrix));
                                  return r;
                              }));
    t.push_back(MakeOperation("WriteMatrix", {K::Doubles}, ResultKind::Status, {Exactly(kMatrix)},
                              {"9 values"}, [](I& h, const In& in, std::string*) -> Result {
                                  double matrix[kMatrix] = {};
                                  std::copy(in[0].doubles.begin(), in[0].doubles.end(), matrix);
                                  return Status(h.WriteMatrix(&matrix));
                              }));
    t.push_back(MakeOperation(
        "WriteRegisterTable", {K::Ints, K::Int, K::Int}, ResultKind::Status, {},
        {kBlockNote, "width", "height"}, [](I& h, const In& in, std::string* error) -> Result {
            if (!BlockFits(in[0], in[1].number, in[2].number, error, "WriteRegisterTable")) {
                return std::nullopt;
            }
            return Status(h.WriteRegisterTable(in[0].ints.data(), static_cast<int>(in[1].number),
                                               static_cast<int>(in[2].number)));
        }));
    t.push_back(MakeOperation(
        "WriteRegisterTableWithGeometry", {K::Ints}, ResultKind::Status, {},
        {"3 x (width + 2) x (height + 2) values for the size the display reports (stored parameters 3 and "
         "4)"},
        [](I& h, const In& in, std::string* error) -> Result {
            auto* helper = dynamic_cast<CCommunicationHelperExtended*>(&h);
            if (helper == nullptr) {
                return Refuse(error, "WriteRegisterTableWithGeometry needs the library's own helper");
            }
            return Status(helper->WriteRegisterTableWithGeometryOf(in[0].ints.data(), in[0].ints.size()));
        }));
    t.push_back(MakeOperation(
        "WriteRegisterTableList", {K::Ints, K::Ints}, ResultKind::Status, {OrEmpty(kMatrix), OrEmpty(2)},
        {"9 values, or empty for the last ones", "width,height, or empty for the stored size"},
        [](I& h, const In& in, std::string*) -> Result {
            return Status(h.WriteRegisterTableList(Or(in[0]), Or(in[1])));
        }));
    t.push_back(MakeOperation(
        "WriteRegisterTableForModel", {K::Int, K::Int, K::Int, K::Ints, K::Ints, K::Ints}, ResultKind::Status,
        {{}, {}, {}, {}, OrEmpty(kBuiltInBlock), OrEmpty(kBuiltInBlock)},
        {"width", "height", "mode", kBlockNote, "242 values, or empty for the built-in block",
         "242 values, or empty for the built-in block"},
        [](I& h, const In& in, std::string* error) -> Result {
            if (!BlockFits(in[3], in[0].number, in[1].number, error, "WriteRegisterTableForModel")) {
                return std::nullopt;
            }
            return Status(h.WriteRegisterTableForModel(
                static_cast<int>(in[0].number), static_cast<int>(in[1].number),
                static_cast<int>(in[2].number), in[3].ints.data(), Or(in[4]), Or(in[5])));
        }));
    t.push_back(MakeOperation("WriteCoefficients", {K::Double, K::Double, K::Double}, ResultKind::Status, {},
                              {}, [](I& h, const In& in, std::string*) -> Result {
                                  return Status(h.WriteCoefficients(in[0].real, in[1].real, in[2].real));
                              }));
    t.push_back(
        MakeOperation("WriteRegisterBlockRange", {K::Int, K::Int, K::Ints}, ResultKind::Status,
                      {{}, {}, OrEmpty(3 * kBuiltInBlock)},
                      {"width", "height", "726 values (three blocks of 242), or empty for the built-in ones"},
                      [](I& h, const In& in, std::string*) -> Result {
                          return Status(h.WriteRegisterBlockRange(static_cast<int>(in[0].number),
                                                                  static_cast<int>(in[1].number), Or(in[2])));
                      }));
    t.push_back(MakeOperation("WriteDefaultRegisterTable", {K::Ints, K::Ints, K::Int}, ResultKind::Status,
                              {OrEmpty(kMatrix), OrEmpty(6), kLowByte},
                              {"9 values, or empty for the last ones", "6 values, or empty for zeros",
                               "0..255: only the low byte is sent"},
                              [](I& h, const In& in, std::string*) -> Result {
                                  return Status(h.WriteDefaultRegisterTable(Or(in[0]), Or(in[1]),
                                                                            static_cast<int>(in[2].number)));
                              }));
    t.push_back(MakeOperation("SendFdAddressed", {K::Byte, K::Text, K::Int, K::Text}, ResultKind::Nothing, {},
                              {"display ID", "address", "connection kind", "connection parameter"},
                              [](I& h, const In& in, std::string*) -> Result {
                                  h.SendFdAddressed(static_cast<unsigned char>(in[0].number), in[1].text,
                                                    static_cast<int>(in[2].number), in[3].text);
                                  return Status(0);
                              }));
    t.push_back(MakeOperation("SendFdBroadcast", {K::Text, K::Int, K::Text}, ResultKind::Nothing, {},
                              {"address", "connection kind", "connection parameter"},
                              [](I& h, const In& in, std::string*) -> Result {
                                  h.SendFdBroadcast(in[0].text, static_cast<int>(in[1].number), in[2].text);
                                  return Status(0);
                              }));
    t.push_back(MakeOperation(
        "GetCommandA9", {K::IntOut, K::IntsOut, K::IntsOut, K::IntsOut, K::IntsOut}, ResultKind::Status, {},
        {"count (at most 20)", "byte per entry", "byte per entry", "byte per entry", "byte per entry"},
        [](I& h, const In&, std::string*) -> Result {
            int count = 0;
            std::array<std::array<unsigned char, kA9Entries>, 4> entries{};
            OperationResult r = Status(h.GetCommandA9(&count, entries[0].data(), entries[1].data(),
                                                      entries[2].data(), entries[3].data()));
            PutNumber(r, count);
            const auto used = static_cast<std::size_t>(std::clamp<int>(count, 0, kA9Entries));
            for (const auto& column : entries) {
                r.values.emplace_back(std::vector<int>(column.begin(), column.begin() + used));
            }
            return r;
        }));
    t.push_back(MakeOperation("GetCommand0DValues", {K::IntsOut}, ResultKind::Status, {}, {"6 values"},
                              [](I& h, const In&, std::string*) -> Result {
                                  int values[6] = {};
                                  OperationResult r = Status(h.GetCommand0DValues(&values));
                                  r.values.emplace_back(std::vector<int>(values, values + 6));
                                  return r;
                              }));
    t.push_back(MakeOperation("SetCommandB0", {K::Byte}, ResultKind::Status, {}, {},
                              [](I& h, const In& in, std::string*) -> Result {
                                  const auto value = static_cast<unsigned char>(in[0].number);
                                  return Status(h.SetCommandB0(&value));
                              }));
    t.push_back(MakeOperation(
        "SetCommandD0Sub9FBlock", {K::Int, K::Bytes}, ResultKind::Status, {kLowByte, ArgLimit{}},
        {"0..255: only the low byte is sent", "at most 254 bytes"},
        [](I& h, const In& in, std::string*) -> Result {
            return Status(h.SetCommandD0Sub9FBlock(static_cast<int>(in[0].number),
                                                   static_cast<int>(in[1].bytes.size()), in[1].bytes.data()));
        }));
    t.push_back(MakeOperation(
        "SendCommandD0Raw", {K::Bytes}, ResultKind::Status, {}, {},
        [](I& h, const In& in, std::string*) -> Result { return Status(h.SendCommandD0Raw(&in[0].bytes)); }));
    t.push_back(MakeOperation("ExecuteCommandD1", {K::Int, K::Bytes}, ResultKind::Status, {},
                              {"sub-code", ""}, [](I& h, const In& in, std::string*) -> Result {
                                  return Status(h.ExecuteCommandD1(static_cast<int>(in[0].number),
                                                                   in[1].bytes.data(),
                                                                   static_cast<int>(in[1].bytes.size())));
                              }));
    t.push_back(MakeOperation("GetCommandD0SubA6", {K::RangesOut}, ResultKind::Status, {}, {},
                              [](I& h, const In&, std::string*) -> Result {
                                  std::vector<SetIdRange> ranges;
                                  OperationResult r = Status(h.GetCommandD0SubA6(&ranges));
                                  std::vector<std::pair<int, int>> pairs;
                                  pairs.reserve(ranges.size());
                                  for (const SetIdRange& range : ranges) {
                                      pairs.emplace_back(range.m_nFirstId, range.m_nLastId);
                                  }
                                  r.values.emplace_back(std::move(pairs));
                                  return r;
                              }));
    t.push_back(MakeOperation("GetCommand1BSub84String", {K::Byte, K::TextOut}, ResultKind::Status, {}, {},
                              [](I& h, const In& in, std::string*) -> Result {
                                  std::wstring text;
                                  OperationResult r = Status(h.GetCommand1BSub84String(
                                      static_cast<unsigned char>(in[0].number), &text));
                                  r.values.emplace_back(Narrow(text));
                                  return r;
                              }));
    t.push_back(MakeOperation("SetCommand1BSub84Addresses", {K::Texts}, ResultKind::Status, {},
                              {"IPv4 addresses"}, [](I& h, const In& in, std::string*) -> Result {
                                  return Status(h.SetCommand1BSub84Addresses(in[0].texts));
                              }));
    t.push_back(MakeOperation("SetCommand1BSub97Texts", {K::Text}, ResultKind::Status, {}, {},
                              [](I& h, const In& in, std::string*) -> Result {
                                  return Status(h.SetCommand1BSub97Texts(Widen(in[0].text)));
                              }));
    t.push_back(MakeOperation("SetCommand1BSub97Address", {K::Bytes}, ResultKind::Status, {Exactly(4)},
                              {"4 bytes"}, [](I& h, const In& in, std::string*) -> Result {
                                  return Status(h.SetCommand1BSub97Address(in[0].bytes.data()));
                              }));
    t.push_back(MakeOperation("GetCommand1BSubA2", {K::IntsOut, K::IntOut, K::IntOut}, ResultKind::Status, {},
                              {"7 values, 0 or 1"}, [](I& h, const In&, std::string*) -> Result {
                                  unsigned char bits[7] = {};
                                  int first = 0;
                                  int second = 0;
                                  OperationResult r = Status(h.GetCommand1BSubA2(&bits, &first, &second));
                                  r.values.emplace_back(std::vector<int>(bits, bits + 7));
                                  PutNumber(r, first);
                                  PutNumber(r, second);
                                  return r;
                              }));
    t.push_back(MakeOperation("SetCommand1BSubA2", {K::Bytes, K::Int, K::Int}, ResultKind::Status,
                              {Exactly(7), kLowByte, kLowByte},
                              {"7 bytes, each zero or not", "0..255: only the low byte is sent",
                               "0..255: only the low byte is sent"},
                              [](I& h, const In& in, std::string*) -> Result {
                                  unsigned char bits[7] = {};
                                  std::copy(in[0].bytes.begin(), in[0].bytes.end(), bits);
                                  return Status(h.SetCommand1BSubA2(&bits, static_cast<int>(in[1].number),
                                                                    static_cast<int>(in[2].number)));
                              }));
    t.push_back(MakeOperation("GetCommandC8Sub82", {K::IntOut, K::IntOut}, ResultKind::Status, {}, {},
                              [](I& h, const In&, std::string*) -> Result {
                                  int first = 0;
                                  int second = 0;
                                  OperationResult r = Status(h.GetCommandC8Sub82(&first, &second, nullptr));
                                  PutNumber(r, first);
                                  PutNumber(r, second);
                                  return r;
                              }));
    t.push_back(MakeOperation("GetCommand1CSub82", {K::TextOut, K::IntOut, K::IntOut}, ResultKind::Status, {},
                              {}, [](I& h, const In&, std::string*) -> Result {
                                  std::wstring text;
                                  int secured = 0;
                                  int port = 0;
                                  OperationResult r = Status(h.GetCommand1CSub82(&text, &secured, &port));
                                  r.values.emplace_back(Narrow(text));
                                  PutNumber(r, secured);
                                  PutNumber(r, port);
                                  return r;
                              }));
    t.push_back(MakeOperation("SetCommand1CSub82List", {K::Bytes}, ResultKind::Status, {}, {},
                              [](I& h, const In& in, std::string*) -> Result {
                                  return Status(h.SetCommand1CSub82List(in[0].bytes));
                              }));
    t.push_back(MakeOperation("GetCommandC7Sub82", {K::IntsOut}, ResultKind::Status, {}, {},
                              [](I& h, const In&, std::string*) -> Result {
                                  std::vector<unsigned short> values;
                                  OperationResult r = Status(h.GetCommandC7Sub82(&values));
                                  r.values.emplace_back(std::vector<int>(values.begin(), values.end()));
                                  return r;
                              }));
    t.push_back(MakeOperation("SetCommandC7Sub82List", {K::Bytes}, ResultKind::Status, {}, {},
                              [](I& h, const In& in, std::string*) -> Result {
                                  return Status(h.SetCommandC7Sub82List(in[0].bytes));
                              }));
    t.push_back(MakeOperation("DownloadFileOverTls", {K::Text}, ResultKind::Status, {}, {"output file"},
                              [](I& h, const In& in, std::string*) -> Result {
                                  return Status(h.DownloadFileOverTls(Widen(in[0].text)) ? 1 : 0);
                              }));
    t.push_back(MakeOperation("GetCommand1BSub36", {K::IntOut, K::IntsOut, K::IntsOut, K::IntsOut},
                              ResultKind::Status, {}, {"count"}, [](I& h, const In&, std::string*) -> Result {
                                  int count = 0;
                                  std::vector<int> lists[3];
                                  OperationResult r =
                                      Status(h.GetCommand1BSub36(&count, &lists[0], &lists[1], &lists[2]));
                                  PutNumber(r, count);
                                  for (auto& list : lists) {
                                      r.values.emplace_back(std::move(list));
                                  }
                                  return r;
                              }));
    t.push_back(MakeOperation(
        "SetCommand1BSub36List", {K::Ints, K::Ints, K::Ints}, ResultKind::Status,
        {kLowByte, kLowByte, kLowByte},
        {"at most 84 values of 0..255; the three lists are equally long", "as the first", "as the first"},
        [](I& h, const In& in, std::string* error) -> Result {
            if (in[1].ints.size() != in[0].ints.size() || in[2].ints.size() != in[0].ints.size()) {
                return Refuse(error, "SetCommand1BSub36List: the three lists must be equally long");
            }
            return Status(h.SetCommand1BSub36List(static_cast<int>(in[0].ints.size()), in[0].ints.data(),
                                                  in[1].ints.data(), in[2].ints.data()));
        }));
    t.push_back(MakeOperation("SendCommand1BRaw", {K::Bytes}, ResultKind::Status, {}, {},
                              [](I& h, const In& in, std::string*) -> Result {
                                  return Status(h.SendCommand1BRaw(in[0].bytes.data(),
                                                                   static_cast<int>(in[0].bytes.size())));
                              }));
    t.push_back(MakeOperation("SendCommandD2Raw", {K::Bytes}, ResultKind::Status, {}, {},
                              [](I& h, const In& in, std::string*) -> Result {
                                  return Status(h.SendCommandD2Raw(in[0].bytes.data(),
                                                                   static_cast<int>(in[0].bytes.size())));
                              }));
    return t;
}

} // namespace

Operation ListOperation(std::string_view name) {
    static const std::vector<Operation> lists = BuildLists();
    for (const Operation& op : lists) {
        if (op.name == name) {
            return op;
        }
    }
    return Operation{name, {}, ResultKind::Nothing, {}, {}, {}};
}

} // namespace zol::helpers
