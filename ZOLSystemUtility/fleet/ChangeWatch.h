#pragma once

// The host's record as an exchange sees it during a run that reports changes. Every call goes through to
// the record; a value stored through the watch is noted the first time with what it held before, so the
// values a reply changed are known by comparing the few values a decoder touched instead of copying and
// comparing every value of every record in flight.

#include "ILFDData.h"
#include "LFDValueVisitor.h"

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace zol::fleet {

class ChangeWatch final : public ILFDData {
public:
    explicit ChangeWatch(ILFDData& record) : m_record(record) { m_before.reserve(kTypicalStores); }

    // Names of the values that now differ from what they held when first stored, in list order; the
    // settings block last, when it was reached for writing and differs.
    std::vector<std::string> Changed() const;
    // Names of every value stored through the watch, changed or not, in list order; the settings block last,
    // when a reply reached it.
    std::vector<std::string> Stored() const;

    void GetAddress(std::string& out) const override { m_record.GetAddress(out); }
    void GetConnectionParameter(std::string& out) const override { m_record.GetConnectionParameter(out); }
    int GetConnectionKind() const override { return m_record.GetConnectionKind(); }
    int GetDisplayId() const override { return m_record.GetDisplayId(); }
    int GetRelayByte() const override { return m_record.GetRelayByte(); }
    int GetRelayTarget() const override { return m_record.GetRelayTarget(); }
    int GetFramingVariant() const override { return m_record.GetFramingVariant(); }
    void SetFramingVariant(int variant) override { m_record.SetFramingVariant(variant); }

    int GetModelCode() const override { return m_record.GetModelCode(); }
    void GetDeviceTypeText(std::string& out) const override { m_record.GetDeviceTypeText(out); }
    void GetCommandText(std::string& out) const override { m_record.GetCommandText(out); }
    void GetIdentificationText(std::string& out) const override { m_record.GetIdentificationText(out); }
    int GetProductGroup() const override { return m_record.GetProductGroup(); }
    int GetProductFamily() const override { return m_record.GetProductFamily(); }
    int GetProductClass() const override { return m_record.GetProductClass(); }
    int GetBlockFlag() const override { return m_record.GetBlockFlag(); }
    int GetLinkVariant() const override { return m_record.GetLinkVariant(); }
    int GetLinkSubVariant() const override { return m_record.GetLinkSubVariant(); }
    bool IsClassOverrideEnabled() const override { return m_record.IsClassOverrideEnabled(); }
    bool IsClassOverrideActive() const override { return m_record.IsClassOverrideActive(); }
    int GetClassOverride() const override { return m_record.GetClassOverride(); }

    bool IsCommunicationEnabled() const override { return m_record.IsCommunicationEnabled(); }
    bool IsSelected() const override { return m_record.IsSelected(); }

    bool IsCommandE3Allowed(int first, int second) const override {
        return m_record.IsCommandE3Allowed(first, second);
    }
    bool IsSupportedC8Sub82(int* first, int* second, void* third) const override {
        return m_record.IsSupportedC8Sub82(first, second, third);
    }
#define CAP(Name)                                                                                            \
    bool Is##Name() const override {                                                                         \
        return m_record.Is##Name();                                                                          \
    }
#include "LFDCapabilities.def"
#undef CAP

#define X(Type, Name)                                                                                        \
    void Set##Name(LFDIn<Type> value) override {                                                             \
        Note(Slot::Name, m_record.Get##Name());                                                              \
        m_record.Set##Name(value);                                                                           \
    }                                                                                                        \
    Type Get##Name() const override {                                                                        \
        return m_record.Get##Name();                                                                         \
    }
#define X_TEXT(Name)                                                                                         \
    void Set##Name(const std::string& value) override {                                                      \
        std::string held;                                                                                    \
        m_record.Get##Name(held);                                                                            \
        Note(Slot::Name, held);                                                                              \
        m_record.Set##Name(value);                                                                           \
    }                                                                                                        \
    void Get##Name(std::string& out) const override {                                                        \
        m_record.Get##Name(out);                                                                             \
    }
#define X_IS(Name)                                                                                           \
    void Set##Name(bool value) override {                                                                    \
        Note(Slot::Name, m_record.Is##Name());                                                               \
        m_record.Set##Name(value);                                                                           \
    }                                                                                                        \
    bool Is##Name() const override {                                                                         \
        return m_record.Is##Name();                                                                          \
    }
#define X_PARAM(Name)                                                                                        \
    int Set##Name(int value) override {                                                                      \
        Note(Slot::Name, m_record.Get##Name());                                                              \
        return m_record.Set##Name(value);                                                                    \
    }                                                                                                        \
    int Get##Name() const override {                                                                         \
        return m_record.Get##Name();                                                                         \
    }
#include "LFDValues.def"
#undef X
#undef X_TEXT
#undef X_IS
#undef X_PARAM

    void EndValueC4() override {
        m_record.EndValueC4();
    }

    SettingsBlock& GetSettingsBlock() override {
        if (!m_settingsBefore)
            m_settingsBefore = m_record.GetSettingsBlock();
        return m_record.GetSettingsBlock();
    }
    const SettingsBlock& GetSettingsBlock() const override {
        return static_cast<const ILFDData&>(m_record).GetSettingsBlock();
    }

    // Each listed value's position in the list.
    enum class Slot : std::uint16_t {
#define X(Type, Name) Name,
#include "LFDValues.def"
#undef X
        Count
    };

private:
    static constexpr std::size_t kTypicalStores = 16; // a status reply stores about a dozen values

    // Kept in list order, so that the changed names come out in it without sorting.
    template <typename T> void Note(Slot slot, const T& held) {
        auto at = m_before.end();
        while (at != m_before.begin() && std::prev(at)->first >= slot) {
            if ((--at)->first == slot)
                return;
        }
        m_before.emplace(at, slot, ToLFDValue(held));
    }

    ILFDData& m_record;
    std::vector<std::pair<Slot, LFDValue>> m_before;
    std::optional<SettingsBlock> m_settingsBefore;
};

} // namespace zol::fleet
