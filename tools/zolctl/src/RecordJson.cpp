#include "RecordJson.h"

#include <algorithm>
#include <set>
#include <variant>

namespace zolctl {

Json ToJson(const LFDValue& value) {
    return std::visit([](const auto& held) { return Json(held); }, value);
}

Json AllValues(const LFDSnapshot& snapshot) {
    Json values = Json::object();
    for (const LFDNamedValue& named : snapshot) {
        values[named.name] = ToJson(named.value);
    }
    return values;
}

Json ChangedValues(const LFDSnapshot& before, const LFDSnapshot& after,
                   std::initializer_list<const char*> always) {
    const std::vector<std::string> changed = LFDValues::Changed(before, after);
    std::set<std::string> wanted(changed.begin(), changed.end());
    wanted.insert(always.begin(), always.end());
    Json values = Json::object();
    for (const LFDNamedValue& named : after) {
        if (wanted.count(named.name) != 0) {
            values[named.name] = ToJson(named.value);
        }
    }
    return values;
}

Json StoredValues(const LFDSnapshot& snapshot, const std::vector<std::string>& stored,
                  std::initializer_list<const char*> always, bool allOthersNull) {
    std::set<std::string> known(stored.begin(), stored.end());
    const std::set<std::string> shown(always.begin(), always.end());
    Json values = Json::object();
    for (const LFDNamedValue& named : snapshot) {
        if (known.count(named.name) != 0) {
            values[named.name] = ToJson(named.value);
        } else if (allOthersNull || shown.count(named.name) != 0) {
            values[named.name] = nullptr;
        }
    }
    return values;
}

} // namespace zolctl
