#include "fleet/ChangeWatch.h"

#include <array>

namespace zol::fleet {

namespace {

struct Listed {
    const char* name;
    LFDValue (*read)(const ILFDData&);
};

// One row per listed value, in list order: its name and how to read its value now.
constexpr std::array kListed = {
#define X(Type, Name) Listed{#Name, [](const ILFDData& r) { return ToLFDValue(r.Get##Name()); }},
#define X_TEXT(Name)                                                                                         \
    Listed{#Name, [](const ILFDData& r) {                                                                    \
               std::string text;                                                                             \
               r.Get##Name(text);                                                                            \
               return ToLFDValue(text);                                                                      \
           }},
#define X_IS(Name) Listed{#Name, [](const ILFDData& r) { return ToLFDValue(r.Is##Name()); }},
#define X_PARAM(Name) Listed{#Name, [](const ILFDData& r) { return ToLFDValue(r.Get##Name()); }},
#include "LFDValues.def"
#undef X
#undef X_TEXT
#undef X_IS
#undef X_PARAM
};

static_assert(kListed.size() == static_cast<std::size_t>(ChangeWatch::Slot::Count));

} // namespace

std::vector<std::string> ChangeWatch::Changed() const {
    std::vector<std::string> changed;
    changed.reserve(m_before.size() + 1);
    for (const auto& [slot, before] : m_before) {
        const Listed& row = kListed[static_cast<std::size_t>(slot)];
        if (!(row.read(m_record) == before))
            changed.emplace_back(row.name);
    }
    if (m_settingsBefore && *m_settingsBefore != static_cast<const ILFDData&>(m_record).GetSettingsBlock())
        changed.emplace_back("SettingsBlock");
    return changed;
}

std::vector<std::string> ChangeWatch::Stored() const {
    std::vector<std::string> stored;
    stored.reserve(m_before.size());
    for (const auto& entry : m_before)
        stored.emplace_back(kListed[static_cast<std::size_t>(entry.first)].name);
    // The settings block is handed out to be written into: a reply that reached it stored there.
    if (m_settingsBefore)
        stored.emplace_back("SettingsBlock");
    return stored;
}

} // namespace zol::fleet
