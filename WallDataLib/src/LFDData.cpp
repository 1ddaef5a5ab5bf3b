#include "LFDData.h"

struct CLFDData::Storage {
    // connection
    std::string address;
    std::string connectionParameter;
    int connectionKind = 1;
    int displayId = 1;
    int relayByte = 0;
    int relayTarget = -1;
    int framingVariant = 0;

    // identity
    int modelCode = 0;
    std::string deviceTypeText;
    std::string commandText;
    std::string identificationText;
    int productGroup = 0;
    int productFamily = 0;
    int productClass = 0;
    int blockFlag = 0;
    int linkVariant = 0;
    int linkSubVariant = 0;
    bool classOverrideEnabled = false;
    bool classOverrideActive = false;
    int classOverride = 0;

    // host state
    bool communicationEnabled = true;
    bool selected = true;

    // capabilities
    bool commandE3Allowed = false;
    bool supportedC8Sub82 = false;
#define CAP(Name) bool cap##Name = false;
#include "LFDCapabilities.def"
#undef CAP

    // decoded and stored values: zero, false, empty
#define X(Type, Name) Type value##Name{};
#include "LFDValues.def"
#undef X

    int endValueC4Count = 0;
    SettingsBlock settings{};
};

CLFDData::CLFDData() : m_pStorage(std::make_unique<Storage>()) {}
CLFDData::~CLFDData() = default;
CLFDData::CLFDData(const CLFDData& other) : m_pStorage(std::make_unique<Storage>(*other.m_pStorage)) {}
CLFDData& CLFDData::operator=(const CLFDData& other) {
    if (this != &other) {
        *m_pStorage = *other.m_pStorage;
    }
    return *this;
}

void CLFDData::Release() {
    delete this;
}

CLFDData* CLFDDataFactory::CreateInstance() {
    return new CLFDData();
}

// Plain fields: one getter and one setter each.
#define LFD_FIELD(Type, GetName, SetName, field)                                                             \
    Type CLFDData::GetName() const {                                                                         \
        return m_pStorage->field;                                                                            \
    }                                                                                                        \
    void CLFDData::SetName(Type value) {                                                                     \
        m_pStorage->field = value;                                                                           \
    }
#define LFD_TEXT_FIELD(GetName, SetName, field)                                                              \
    void CLFDData::GetName(std::string& out) const {                                                         \
        out = m_pStorage->field;                                                                             \
    }                                                                                                        \
    void CLFDData::SetName(const std::string& value) {                                                       \
        m_pStorage->field = value;                                                                           \
    }

LFD_TEXT_FIELD(GetAddress, SetAddress, address)
LFD_TEXT_FIELD(GetConnectionParameter, SetConnectionParameter, connectionParameter)
LFD_FIELD(int, GetConnectionKind, SetConnectionKind, connectionKind)
LFD_FIELD(int, GetDisplayId, SetDisplayId, displayId)
LFD_FIELD(int, GetRelayByte, SetRelayByte, relayByte)
LFD_FIELD(int, GetRelayTarget, SetRelayTarget, relayTarget)
LFD_FIELD(int, GetFramingVariant, SetFramingVariant, framingVariant)

LFD_FIELD(int, GetModelCode, SetModelCode, modelCode)
LFD_TEXT_FIELD(GetDeviceTypeText, SetDeviceTypeText, deviceTypeText)
LFD_TEXT_FIELD(GetCommandText, SetCommandText, commandText)
LFD_TEXT_FIELD(GetIdentificationText, SetIdentificationText, identificationText)
LFD_FIELD(int, GetProductGroup, SetProductGroup, productGroup)
LFD_FIELD(int, GetProductFamily, SetProductFamily, productFamily)
LFD_FIELD(int, GetProductClass, SetProductClass, productClass)
LFD_FIELD(int, GetBlockFlag, SetBlockFlag, blockFlag)
LFD_FIELD(int, GetLinkVariant, SetLinkVariant, linkVariant)
LFD_FIELD(int, GetLinkSubVariant, SetLinkSubVariant, linkSubVariant)
LFD_FIELD(bool, IsClassOverrideEnabled, SetClassOverrideEnabled, classOverrideEnabled)
LFD_FIELD(bool, IsClassOverrideActive, SetClassOverrideActive, classOverrideActive)
LFD_FIELD(int, GetClassOverride, SetClassOverride, classOverride)

LFD_FIELD(bool, IsCommunicationEnabled, SetCommunicationEnabled, communicationEnabled)
LFD_FIELD(bool, IsSelected, SetSelected, selected)

#undef LFD_FIELD
#undef LFD_TEXT_FIELD

bool CLFDData::IsCommandE3Allowed(int /*first*/, int /*second*/) const {
    return m_pStorage->commandE3Allowed;
}
void CLFDData::SetCommandE3Allowed(bool allowed) {
    m_pStorage->commandE3Allowed = allowed;
}
bool CLFDData::IsSupportedC8Sub82(int* /*first*/, int* /*second*/, void* /*third*/) const {
    return m_pStorage->supportedC8Sub82;
}
void CLFDData::SetSupportedC8Sub82(bool supported) {
    m_pStorage->supportedC8Sub82 = supported;
}

#define CAP(Name)                                                                                            \
    bool CLFDData::Is##Name() const {                                                                        \
        return m_pStorage->cap##Name;                                                                        \
    }                                                                                                        \
    void CLFDData::Set##Name(bool value) {                                                                   \
        m_pStorage->cap##Name = value;                                                                       \
    }
#include "LFDCapabilities.def"
#undef CAP

#define X(Type, Name)                                                                                        \
    void CLFDData::Set##Name(LFDIn<Type> value) {                                                            \
        m_pStorage->value##Name = value;                                                                     \
    }                                                                                                        \
    Type CLFDData::Get##Name() const {                                                                       \
        return m_pStorage->value##Name;                                                                      \
    }
#define X_TEXT(Name)                                                                                         \
    void CLFDData::Set##Name(const std::string& value) {                                                     \
        m_pStorage->value##Name = value;                                                                     \
    }                                                                                                        \
    void CLFDData::Get##Name(std::string& out) const {                                                       \
        out = m_pStorage->value##Name;                                                                       \
    }
#define X_IS(Name)                                                                                           \
    void CLFDData::Set##Name(bool value) {                                                                   \
        m_pStorage->value##Name = value;                                                                     \
    }                                                                                                        \
    bool CLFDData::Is##Name() const {                                                                        \
        return m_pStorage->value##Name;                                                                      \
    }
#define X_PARAM(Name)                                                                                        \
    int CLFDData::Set##Name(int value) {                                                                     \
        m_pStorage->value##Name = value;                                                                     \
        return 1;                                                                                            \
    }                                                                                                        \
    int CLFDData::Get##Name() const {                                                                        \
        return m_pStorage->value##Name;                                                                      \
    }
#include "LFDValues.def"
#undef X
#undef X_TEXT
#undef X_IS
#undef X_PARAM

void CLFDData::EndValueC4() {
    ++m_pStorage->endValueC4Count;
}
int CLFDData::GetEndValueC4Count() const {
    return m_pStorage->endValueC4Count;
}

ILFDData::SettingsBlock& CLFDData::GetSettingsBlock() {
    return m_pStorage->settings;
}
const ILFDData::SettingsBlock& CLFDData::GetSettingsBlock() const {
    return m_pStorage->settings;
}
