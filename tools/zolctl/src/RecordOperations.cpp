#include "RecordOperations.h"

#include "Numbers.h"
#include "Session.h"

#include <algorithm>
#include <climits>
#include <list>
#include <memory>
#include <set>

namespace zolctl {

namespace {

// Each record's fields by name, in declaration order. fn(name, member) for every field.
template <typename R, typename Fn> void Fields(R& r, Fn fn) {
    using T = std::remove_const_t<R>;
    if constexpr (std::is_same_v<T, ClockSet>) {
        fn("Field0", r.m_nField0);
        fn("Field1", r.m_nField1);
        fn("Field2", r.m_nField2);
        fn("Field3", r.m_nField3);
        fn("Field4", r.m_nField4);
        fn("Field5", r.m_bField5);
    } else if constexpr (std::is_same_v<T, DSTClock>) {
        fn("Field0", r.m_nField0);
        fn("Field1", r.m_nField1);
        fn("Field2", r.m_nField2);
        fn("Field3", r.m_nField3);
        fn("Field4", r.m_nField4);
        fn("Field5", r.m_nField5);
        fn("Field6", r.m_nField6);
        fn("Field7", r.m_nField7);
        fn("Field8", r.m_nField8);
        fn("Field9", r.m_nField9);
        fn("Field10", r.m_nField10);
        fn("Field11", r.m_nField11);
        fn("Field12", r.m_bField12);
    } else if constexpr (std::is_same_v<T, TimerData>) {
        fn("Field0", r.m_nField0);
        fn("Field1", r.m_nField1);
        fn("Field2", r.m_nField2);
        fn("Field3", r.m_bField3);
        fn("Field4", r.m_nField4);
        fn("Field5", r.m_nField5);
        fn("Field6", r.m_nField6);
        fn("Field7", r.m_bField7);
        fn("Field8", r.m_nField8);
        fn("Field9", r.m_nField9);
        fn("Field10", r.m_nField10);
        fn("Field11", r.m_nField11);
        fn("Field12", r.m_nField12);
        fn("Field13", r.m_nField13);
        fn("Field14", r.m_nField14);
    } else if constexpr (std::is_same_v<T, MaintainanceControlStatus>) {
        fn("Field0", r.m_nField0);
        fn("Field1", r.m_bField1);
        fn("Fields2To12", r.m_nFields2To12);
        fn("Field13", r.m_nField13);
        fn("Field14", r.m_nField14);
        fn("Field15", r.m_nField15);
        fn("Field16", r.m_nField16);
        fn("Field17", r.m_nField17);
        fn("Fields18To25", r.m_nFields18To25);
    } else if constexpr (std::is_same_v<T, HdmiUHDColor>) {
        fn("Field0", r.m_nField0);
        fn("Field1", r.m_bField1);
        fn("Field2", r.m_nField2);
        fn("Field3", r.m_bField3);
        fn("Field4", r.m_nField4);
        fn("Field5", r.m_bField5);
        fn("Field6", r.m_nField6);
        fn("Field7", r.m_bField7);
        fn("Field8", r.m_nField8);
        fn("Field9", r.m_bField9);
    } else if constexpr (std::is_same_v<T, DynamicPeakingData>) {
        fn("Field0", r.m_nField0);
        fn("Field1", r.m_nField1);
        fn("Fields2To5", r.m_nFields2To5);
        fn("Field6", r.m_nField6);
        fn("Field7", r.m_nField7);
    } else if constexpr (std::is_same_v<T, InverseToneMappingData>) {
        fn("Field0", r.m_nField0);
        fn("Field1", r.m_nField1);
        fn("Field2", r.m_nField2);
        fn("Field3", r.m_nField3);
        fn("Field4", r.m_nField4);
        fn("Field5", r.m_nField5);
        fn("Fields6To10", r.m_nFields6To10);
        fn("Fields11To15", r.m_nFields11To15);
        fn("Fields16To20", r.m_nFields16To20);
    } else if constexpr (std::is_same_v<T, ColorMappingData>) {
        fn("Field0", r.m_nField0);
        fn("Fields1To5", r.m_nFields1To5);
        fn("Fields6To14", r.m_nFields6To14);
        fn("Fields15To23", r.m_nFields15To23);
        fn("Fields24To35", r.m_nFields24To35);
        fn("Fields36To47", r.m_nFields36To47);
    } else if constexpr (std::is_same_v<T, FPGASettingsData>) {
        fn("Fields0To21", r.m_nFields0To21);
    } else if constexpr (std::is_same_v<T, ModuleInformation>) {
        fn("Field0", r.m_nField0);
        fn("Field1", r.m_strField1);
        fn("Field2", r.m_strField2);
    } else if constexpr (std::is_same_v<T, BlockGradationData>) {
        fn("Field0", r.m_lstField0);
        fn("Field1", r.m_lstField1);
        fn("Field2", r.m_lstField2);
        fn("Field3", r.m_lstField3);
    } else if constexpr (std::is_same_v<T, BlockRGBData>) {
        fn("Field0", r.m_lstField0);
        fn("Fields1To9", r.m_lstFields1To9);
    }
}

std::string Narrow(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) {
        out.push_back(c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '?');
    }
    return out;
}

struct ToJsonField {
    Json& out;
    void operator()(const char* name, int value) const { out[name] = value; }
    void operator()(const char* name, bool value) const { out[name] = value; }
    void operator()(const char* name, const std::wstring& value) const { out[name] = Narrow(value); }
    void operator()(const char* name, const std::list<int>& value) const { out[name] = value; }
    template <std::size_t N> void operator()(const char* name, const int (&value)[N]) const {
        out[name] = std::vector<int>(value, value + N);
    }
    template <std::size_t N> void operator()(const char* name, const std::list<int> (&value)[N]) const {
        Json lists = Json::array();
        for (const auto& list : value) {
            lists.push_back(list);
        }
        out[name] = lists;
    }
};

template <typename R> Json ToJsonOf(const R& record) {
    Json out = Json::object();
    Fields(record, ToJsonField{out});
    return out;
}

// A JSON integer that fits an int. The parser keeps numbers past the signed 64-bit range as unsigned, and
// read as signed those wrap (18446744073709551615 would become -1), so they are checked as what they are.
bool ReadInt(const Json& value, int& out) {
    if (value.is_number_unsigned()) {
        const auto number = value.get<unsigned long long>();
        if (number > static_cast<unsigned long long>(INT_MAX)) {
            return false;
        }
        out = static_cast<int>(number);
        return true;
    }
    if (!value.is_number_integer()) {
        return false;
    }
    const auto number = value.get<long long>();
    if (number < INT_MIN || number > INT_MAX) {
        return false;
    }
    out = static_cast<int>(number);
    return true;
}

bool ReadList(const Json& value, std::list<int>& out) {
    if (!value.is_array()) {
        return false;
    }
    out.clear();
    for (const Json& item : value) {
        int number = 0;
        if (!ReadInt(item, number)) {
            return false;
        }
        out.push_back(number);
    }
    return true;
}

struct FromJsonField {
    const Json& in;
    std::set<std::string>& seen;
    std::string& bad;
    void Fail(const char* name) const {
        if (bad.empty()) {
            bad = name;
        }
    }
    const Json* Find(const char* name) const {
        const auto it = in.find(name);
        if (it == in.end()) {
            return nullptr;
        }
        seen.insert(name);
        return &*it;
    }
    void operator()(const char* name, int& value) const {
        if (const Json* v = Find(name); v != nullptr && !ReadInt(*v, value)) {
            Fail(name);
        }
    }
    void operator()(const char* name, bool& value) const {
        if (const Json* v = Find(name); v != nullptr) {
            if (!v->is_boolean()) {
                Fail(name);
                return;
            }
            value = v->get<bool>();
        }
    }
    void operator()(const char* name, std::wstring& value) const {
        if (const Json* v = Find(name); v != nullptr) {
            if (!v->is_string()) {
                Fail(name);
                return;
            }
            const std::string text = v->get<std::string>();
            value.assign(text.begin(), text.end());
        }
    }
    void operator()(const char* name, std::list<int>& value) const {
        if (const Json* v = Find(name); v != nullptr && !ReadList(*v, value)) {
            Fail(name);
        }
    }
    template <std::size_t N> void operator()(const char* name, int (&value)[N]) const {
        const Json* v = Find(name);
        if (v == nullptr) {
            return;
        }
        if (!v->is_array() || v->size() != N) {
            Fail(name);
            return;
        }
        for (std::size_t i = 0; i < N; ++i) {
            if (!ReadInt((*v)[i], value[i])) {
                Fail(name);
                return;
            }
        }
    }
    template <std::size_t N> void operator()(const char* name, std::list<int> (&value)[N]) const {
        const Json* v = Find(name);
        if (v == nullptr) {
            return;
        }
        if (!v->is_array() || v->size() != N) {
            Fail(name);
            return;
        }
        for (std::size_t i = 0; i < N; ++i) {
            if (!ReadList((*v)[i], value[i])) {
                Fail(name);
                return;
            }
        }
    }
};

template <typename R> bool FromJsonOf(const Json& object, R& record, std::string* error) {
    if (!object.is_object()) {
        *error = "a record argument is a JSON object";
        return false;
    }
    std::set<std::string> seen;
    std::string bad;
    Fields(record, FromJsonField{object, seen, bad});
    if (!bad.empty()) {
        *error = "record field \"" + bad + "\" has the wrong kind of value";
        return false;
    }
    for (const auto& [key, value] : object.items()) {
        if (seen.count(key) == 0) {
            *error = "the record has no field \"" + key + "\"";
            return false;
        }
    }
    // Every field is given: a field left out would go to the display as a silent 0.
    std::string missing;
    Fields(record, [&](const char* name, const auto&) {
        if (seen.count(name) == 0) {
            missing += std::string(missing.empty() ? "" : ", ") + "\"" + name + "\"";
        }
    });
    if (!missing.empty()) {
        *error = "the record argument lacks the field(s) " + missing + "; every field must be given";
        return false;
    }
    return true;
}

// A record starts from its default: zeroed, or what its default constructor sets.
template <typename R> R Fresh() {
    if constexpr (std::is_trivially_default_constructible_v<R>) {
        return R{};
    } else {
        return R();
    }
}

template <typename R> bool ParseRecord(const std::string& text, R& record, std::string* error) {
    const Json object = Json::parse(text, nullptr, false);
    if (object.is_discarded()) {
        *error = "a record argument is a JSON object, not \"" + text + "\"";
        return false;
    }
    return FromJsonOf(object, record, error);
}

bool ParseByte(const std::string& text, unsigned char& out, std::string* error) {
    const auto number = ParseNumber(text, 0, 255);
    if (!number) {
        *error = "\"" + text + "\" is not a byte (0..255)";
        return false;
    }
    out = static_cast<unsigned char>(*number);
    return true;
}

using Helper = ICommunicationHelperExtended;
using Args = std::vector<std::string>;
using Result = std::optional<RecordOperationResult>;

template <typename R>
RecordOperation Getter(std::string_view name, std::string_view kind, int (Helper::*get)(R*)) {
    return {name, {kind}, [get](Helper& helper, const Args&, std::string*) -> Result {
                R record = Fresh<R>();
                RecordOperationResult out;
                out.result = (helper.*get)(&record);
                out.outs.push_back(ToJsonOf(record));
                return out;
            }};
}

template <typename R>
RecordOperation Setter(std::string_view name, std::string_view kind, int (Helper::*set)(const R*)) {
    return {name, {kind}, [set](Helper& helper, const Args& args, std::string* error) -> Result {
                R record = Fresh<R>();
                if (!ParseRecord(args.at(0), record, error)) {
                    return std::nullopt;
                }
                return RecordOperationResult{(helper.*set)(&record), Json::array()};
            }};
}

std::vector<RecordOperation> BuildTable() {
    std::vector<RecordOperation> table;
    table.push_back(Getter<ClockSet>("GetClockSet", "ClockSet*", &Helper::GetClockSet));
    table.push_back(Setter<ClockSet>("SetClockSet", "ClockSet", &Helper::SetClockSet));
    table.push_back(Getter<DSTClock>("GetDSTClock", "DSTClock*", &Helper::GetDSTClock));
    table.push_back(Setter<DSTClock>("SetDSTClock", "DSTClock", &Helper::SetDSTClock));
    table.push_back(Getter<TimerData>("GetTimerData", "TimerData*", &Helper::GetTimerData));
    table.push_back(Setter<TimerData>("SetTimerData", "TimerData", &Helper::SetTimerData));
    table.push_back(Getter<MaintainanceControlStatus>(
        "GetMaintainanceControlStatus", "MaintainanceControlStatus*", &Helper::GetMaintainanceControlStatus));
    table.push_back({"GetBlockRGBData",
                     {"byte", "byte", "BlockRGBData*"},
                     [](Helper& helper, const Args& args, std::string* error) -> Result {
                         unsigned char first = 0;
                         unsigned char second = 0;
                         if (!ParseByte(args.at(0), first, error) || !ParseByte(args.at(1), second, error)) {
                             return std::nullopt;
                         }
                         BlockRGBData rows;
                         RecordOperationResult out;
                         out.result = helper.GetBlockRGBData(first, second, &rows);
                         out.outs.push_back(ToJsonOf(rows));
                         return out;
                     }});
    table.push_back(
        {"SetBlockRGBData",
         {"byte", "byte", "BlockRGBData"},
         [](Helper& helper, const Args& args, std::string* error) -> Result {
             unsigned char first = 0;
             unsigned char second = 0;
             BlockRGBData rows;
             if (!ParseByte(args.at(0), first, error) || !ParseByte(args.at(1), second, error) ||
                 !ParseRecord(args.at(2), rows, error)) {
                 return std::nullopt;
             }
             return RecordOperationResult{helper.SetBlockRGBData(first, second, rows), Json::array()};
         }});
    table.push_back({"GetBlockGradationData",
                     {"byte", "BlockGradationData*"},
                     [](Helper& helper, const Args& args, std::string* error) -> Result {
                         unsigned char selector = 0;
                         if (!ParseByte(args.at(0), selector, error)) {
                             return std::nullopt;
                         }
                         BlockGradationData rows;
                         RecordOperationResult out;
                         out.result = helper.GetBlockGradationData(selector, &rows);
                         out.outs.push_back(ToJsonOf(rows));
                         return out;
                     }});
    table.push_back(
        {"SetBlockGradationData",
         {"byte", "BlockGradationData"},
         [](Helper& helper, const Args& args, std::string* error) -> Result {
             unsigned char selector = 0;
             BlockGradationData rows;
             if (!ParseByte(args.at(0), selector, error) || !ParseRecord(args.at(1), rows, error)) {
                 return std::nullopt;
             }
             return RecordOperationResult{helper.SetBlockGradationData(selector, rows), Json::array()};
         }});
    table.push_back(
        Getter<FPGASettingsData>("GetFPGASettingsData", "FPGASettingsData*", &Helper::GetFPGASettingsData));
    table.push_back(Setter<FPGASettingsData>("WriteFPGASettingsData", "FPGASettingsData",
                                             &Helper::WriteFPGASettingsData));
    table.push_back(Getter<HdmiUHDColor>("GetHdmiUHDColor", "HdmiUHDColor*", &Helper::GetHdmiUHDColor));
    table.push_back(Setter<HdmiUHDColor>("SetHdmiUHDColor", "HdmiUHDColor", &Helper::SetHdmiUHDColor));
    table.push_back(Getter<InverseToneMappingData>("GetInverseToneMappingData", "InverseToneMappingData*",
                                                   &Helper::GetInverseToneMappingData));
    table.push_back(Setter<InverseToneMappingData>("SetInverseToneMappingData", "InverseToneMappingData",
                                                   &Helper::SetInverseToneMappingData));
    table.push_back(
        Getter<ColorMappingData>("GetColorMappingData", "ColorMappingData*", &Helper::GetColorMappingData));
    table.push_back(
        Setter<ColorMappingData>("SetColorMappingData", "ColorMappingData", &Helper::SetColorMappingData));
    table.push_back(Getter<DynamicPeakingData>("GetDynamicPeakingData", "DynamicPeakingData*",
                                               &Helper::GetDynamicPeakingData));
    table.push_back(Setter<DynamicPeakingData>("SetDynamicPeakingData", "DynamicPeakingData",
                                               &Helper::SetDynamicPeakingData));
    table.push_back({"GetModuleInformation",
                     {"ModuleInformation list*"},
                     [](Helper& helper, const Args&, std::string*) -> Result {
                         std::vector<ModuleInformation> modules;
                         RecordOperationResult out;
                         out.result = helper.GetModuleInformation(&modules);
                         Json list = Json::array();
                         for (const auto& module : modules) {
                             list.push_back(ToJsonOf(module));
                         }
                         out.outs.push_back(list);
                         return out;
                     }});
    return table;
}

template <typename R> std::string SyntaxOf() {
    return ToJsonOf(Fresh<R>()).dump();
}

template <typename R> std::optional<Json> ReadAs(const std::string& text, std::string* error) {
    R record = Fresh<R>();
    if (!ParseRecord(text, record, error)) {
        return std::nullopt;
    }
    return ToJsonOf(record);
}

// Every record kind an operation takes or gives, by the name `ops` shows.
struct RecordKind {
    std::string_view name;
    std::string (*syntax)();
    std::optional<Json> (*read)(const std::string& text, std::string* error);
};

template <typename R> constexpr RecordKind KindOf(std::string_view name) {
    return {name, SyntaxOf<R>, ReadAs<R>};
}

constexpr RecordKind kRecordKinds[] = {
    KindOf<ClockSet>("ClockSet"),
    KindOf<DSTClock>("DSTClock"),
    KindOf<TimerData>("TimerData"),
    KindOf<MaintainanceControlStatus>("MaintainanceControlStatus"),
    KindOf<HdmiUHDColor>("HdmiUHDColor"),
    KindOf<DynamicPeakingData>("DynamicPeakingData"),
    KindOf<InverseToneMappingData>("InverseToneMappingData"),
    KindOf<ColorMappingData>("ColorMappingData"),
    KindOf<FPGASettingsData>("FPGASettingsData"),
    KindOf<ModuleInformation>("ModuleInformation"),
    KindOf<BlockGradationData>("BlockGradationData"),
    KindOf<BlockRGBData>("BlockRGBData"),
};

const RecordKind* FindRecordKind(std::string_view name) {
    for (const RecordKind& kind : kRecordKinds) {
        if (kind.name == name) {
            return &kind;
        }
    }
    return nullptr;
}

} // namespace

std::string RecordSyntax(std::string_view kind) {
    while (!kind.empty() && kind.back() == '*') {
        kind.remove_suffix(1);
    }
    if (kind.size() > 5 && kind.substr(kind.size() - 5) == " list") {
        return "[" + RecordSyntax(kind.substr(0, kind.size() - 5)) + ", ...]";
    }
    const RecordKind* found = FindRecordKind(kind);
    return found != nullptr ? found->syntax() : std::string(kind);
}

std::vector<std::string_view> RecordKindNames() {
    std::vector<std::string_view> names;
    for (const RecordKind& kind : kRecordKinds) {
        names.push_back(kind.name);
    }
    return names;
}

std::optional<Json> ReadRecordArgument(std::string_view kind, const std::string& text, std::string* error) {
    const RecordKind* found = FindRecordKind(kind);
    if (found == nullptr) {
        *error = "no record kind \"" + std::string(kind) + "\"";
        return std::nullopt;
    }
    return found->read(text, error);
}

std::size_t RecordOperation::InCount() const {
    return static_cast<std::size_t>(
        std::count_if(arguments.begin(), arguments.end(),
                      [](std::string_view kind) { return kind.empty() || kind.back() != '*'; }));
}

const std::vector<RecordOperation>& RecordOperations() {
    static const std::vector<RecordOperation> table = BuildTable();
    return table;
}

const RecordOperation* FindRecordOperation(std::string_view name) {
    const auto& table = RecordOperations();
    const auto it = std::find_if(table.begin(), table.end(),
                                 [name](const RecordOperation& op) { return op.name == name; });
    return it == table.end() ? nullptr : &*it;
}

std::optional<Outcome> RunRecordOperation(const Request& request) {
    const RecordOperation* operation = FindRecordOperation(request.operation);
    if (operation == nullptr) {
        return std::nullopt;
    }
    Outcome outcome;
    if (request.operationArguments.size() != operation->InCount()) {
        outcome.exitCode = kExitUsage;
        outcome.message = std::string(operation->name) + " takes " + std::to_string(operation->InCount()) +
                          " argument(s), " + std::to_string(request.operationArguments.size()) + " given";
        return outcome;
    }
    Outcome failure;
    std::optional<Session> session = OpenSession(request, -1, 0, failure);
    if (!session) {
        return failure;
    }
    const auto release = [](ICommunicationHelperExtended* helper) {
        if (helper != nullptr) {
            helper->Release();
        }
    };
    std::unique_ptr<ICommunicationHelperExtended, decltype(release)> helper(
        ICommunicationHelperExtendedFactory::CreateInstance(session->record.get()), release);
    if (!helper) {
        outcome.exitCode = kExitFailure;
        outcome.message = "the display helper could not be created";
        return outcome;
    }
    const LFDSnapshot before = LFDValues::Snapshot(*session->record);
    std::string error;
    std::optional<RecordOperationResult> result;
    try {
        result = operation->invoke(*helper, request.operationArguments, &error);
    } catch (int) {
        result = RecordOperationResult{};
    }
    if (!result) {
        outcome.exitCode = kExitUsage;
        outcome.message = error;
        return outcome;
    }
    outcome.exitCode = result->result != 0 ? kExitSuccess : kExitFailure;
    outcome.json["result"] = result->result;
    if (result->result == 0) {
        // Nothing the display said filled them.
        for (Json& out : result->outs) {
            out = nullptr;
        }
    }
    outcome.json["outs"] = result->outs;
    outcome.json["values"] = ChangedValues(before, LFDValues::Snapshot(*session->record));
    outcome.json["connectStatus"] = session->connectStatus;
    return outcome;
}

Json RecordToJson(const ClockSet& record) {
    return ToJsonOf(record);
}
Json RecordToJson(const BlockRGBData& record) {
    return ToJsonOf(record);
}
Json RecordToJson(const ModuleInformation& record) {
    return ToJsonOf(record);
}
bool RecordFromJson(const Json& object, ClockSet& record, std::string* error) {
    return FromJsonOf(object, record, error);
}
bool RecordFromJson(const Json& object, BlockRGBData& record, std::string* error) {
    return FromJsonOf(object, record, error);
}

} // namespace zolctl
