#pragma once

// Record values as JSON, by the record setter's name without "Set": bools as true/false, texts as
// strings, blocks and lists as arrays, in the record's own order.

#include "LFDValueVisitor.h"

#include <nlohmann/json.hpp>

#include <initializer_list>
#include <string>
#include <vector>

namespace zolctl {

using Json = nlohmann::ordered_json;

Json ToJson(const LFDValue& value);

// Every value of the snapshot.
Json AllValues(const LFDSnapshot& snapshot);

// The values that differ between the two snapshots, plus the named ones whatever they hold.
Json ChangedValues(const LFDSnapshot& before, const LFDSnapshot& after,
                   std::initializer_list<const char*> always = {});

// The values of the snapshot named in `stored`, plus those in `always`, in the snapshot's order; with
// `allOthersNull` every other value too, as null (not known: no reply stored it).
Json StoredValues(const LFDSnapshot& snapshot, const std::vector<std::string>& stored,
                  std::initializer_list<const char*> always, bool allOthersNull = true);

} // namespace zolctl
