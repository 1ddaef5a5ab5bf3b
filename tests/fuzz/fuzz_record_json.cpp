// The record arguments zolctl reads from the command line: one JSON object naming every field of a
// record ('{"Field0": 2024, ...}'), for each record kind an operation takes.
//
// Input: one byte choosing the record kind, then the JSON text.
// Invariants: reading never throws; a refusal says why; a record read is printed back with every field of
// its kind in the kind's order, and every number, flag and list in it is exactly what the text gave
// (no number is wrapped or cut to fit); what is printed back reads again as itself.

#include "FuzzSupport.h"

#include "RecordOperations.h"

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::vector<std::string_view> kinds = zolctl::RecordKindNames();
    zol::fuzz::Input input(data, size);
    const std::string_view kind = kinds[input.Byte() % kinds.size()];
    const zol::fuzz::Bytes rest = input.Rest();
    const std::string text(rest.begin(), rest.end());

    std::string error;
    const std::optional<zolctl::Json> record = zol::fuzz::WithoutExceptions(
        "ReadRecordArgument", [&] { return zolctl::ReadRecordArgument(kind, text, &error); });
    if (!record) {
        ZOL_FUZZ_CHECK(!error.empty());
        return 0;
    }

    // Every field of the kind, in its order: the syntax `op NAME --help` shows lists them.
    static std::map<std::string_view, zolctl::Json> syntaxes;
    auto known = syntaxes.find(kind);
    if (known == syntaxes.end())
        known = syntaxes.emplace(kind, zolctl::Json::parse(zolctl::RecordSyntax(kind))).first;
    const zolctl::Json& syntax = known->second;
    ZOL_FUZZ_CHECK(record->size() == syntax.size());
    auto field = record->begin();
    for (auto expected = syntax.begin(); expected != syntax.end(); ++expected, ++field)
        ZOL_FUZZ_CHECK(field.key() == expected.key());

    // Texts are printed with their unprintable characters replaced, everything else exactly as given. The
    // printed forms are compared: the JSON library's own equality takes an unsigned 2^64-1 to equal -1.
    const zolctl::Json given = zolctl::Json::parse(text);
    for (auto it = record->begin(); it != record->end(); ++it) {
        if (!it->is_string())
            ZOL_FUZZ_CHECK(it->dump() == given.at(it.key()).dump());
    }

    std::string again;
    const std::optional<zolctl::Json> reread = zolctl::ReadRecordArgument(kind, record->dump(), &again);
    ZOL_FUZZ_CHECK(reread && *reread == *record);
    return 0;
}
