#pragma once

/// \file
/// CLFDData: the in-memory display record. Every operation of ILFDData answers from plain storage, and
/// every value the library only reads (connection, identity, host state, capabilities) has a setter here
/// so that a host, zolctl and the tests can describe a display completely.
///
/// Defaults: Ethernet (kind 1), empty address and credential, display ID 1, relay byte 0, no relay target
/// (-1), framing variant 0, communication enabled, selected, every other value 0 / false / empty.
///
/// Threads: like every record, unguarded (see ILFDData.h).
///
/// Tests may derive from it to watch single operations; every operation is virtual.

#include "ILFDData.h"
#include "WallDataLibExport.h"

#include <memory>
#include <string>

class WDL_API CLFDData : public ILFDData {
public:
    CLFDData();
    ~CLFDData() override;
    CLFDData(const CLFDData&);
    CLFDData& operator=(const CLFDData&);

    /// Ends a record made by CLFDDataFactory::CreateInstance.
    virtual void Release();

    /// --- connection
    void GetAddress(std::string& out) const override;
    void GetConnectionParameter(std::string& out) const override;
    int GetConnectionKind() const override;
    int GetDisplayId() const override;
    int GetRelayByte() const override;
    int GetRelayTarget() const override;
    int GetFramingVariant() const override;
    void SetFramingVariant(int variant) override;

    virtual void SetAddress(const std::string& address);
    virtual void SetConnectionParameter(const std::string& parameter);
    virtual void SetConnectionKind(int kind);
    virtual void SetDisplayId(int id);
    virtual void SetRelayByte(int relayByte);
    virtual void SetRelayTarget(int target);

    /// --- identity
    int GetModelCode() const override;
    void GetDeviceTypeText(std::string& out) const override;
    void GetCommandText(std::string& out) const override;
    void GetIdentificationText(std::string& out) const override;
    int GetProductGroup() const override;
    int GetProductFamily() const override;
    int GetProductClass() const override;
    int GetBlockFlag() const override;
    int GetLinkVariant() const override;
    int GetLinkSubVariant() const override;
    bool IsClassOverrideEnabled() const override;
    bool IsClassOverrideActive() const override;
    int GetClassOverride() const override;

    virtual void SetModelCode(int code);
    virtual void SetDeviceTypeText(const std::string& text);
    virtual void SetCommandText(const std::string& text);
    virtual void SetIdentificationText(const std::string& text);
    virtual void SetProductGroup(int group);
    virtual void SetProductFamily(int family);
    virtual void SetProductClass(int productClass);
    virtual void SetBlockFlag(int flag);
    virtual void SetLinkVariant(int variant);
    virtual void SetLinkSubVariant(int variant);
    virtual void SetClassOverrideEnabled(bool enabled);
    virtual void SetClassOverrideActive(bool active);
    virtual void SetClassOverride(int deviceClass);

    /// --- host state
    bool IsCommunicationEnabled() const override;
    bool IsSelected() const override;
    virtual void SetCommunicationEnabled(bool enabled);
    virtual void SetSelected(bool selected);

    /// --- capabilities (the in-memory record answers the E3 and C8 questions whatever the arguments)
    bool IsCommandE3Allowed(int first, int second) const override;
    bool IsSupportedC8Sub82(int* first, int* second, void* third) const override;
    virtual void SetCommandE3Allowed(bool allowed);
    virtual void SetSupportedC8Sub82(bool supported);
#define CAP(Name)                                                                                            \
    bool Is##Name() const override;                                                                          \
    virtual void Set##Name(bool value);
#include "LFDCapabilities.def"
#undef CAP

    /// --- decoded and stored values
#define X(Type, Name)                                                                                        \
    void Set##Name(LFDIn<Type> value) override;                                                              \
    Type Get##Name() const override;
#define X_TEXT(Name)                                                                                         \
    void Set##Name(const std::string& value) override;                                                       \
    void Get##Name(std::string& out) const override;
#define X_IS(Name)                                                                                           \
    void Set##Name(bool value) override;                                                                     \
    bool Is##Name() const override;
#define X_PARAM(Name)                                                                                        \
    int Set##Name(int value) override;                                                                       \
    int Get##Name() const override;
#include "LFDValues.def"
#undef X
#undef X_TEXT
#undef X_IS
#undef X_PARAM

    /// The in-memory record counts closed 0xC4 groups.
    void EndValueC4() override;
    int GetEndValueC4Count() const;

    SettingsBlock& GetSettingsBlock() override;
    const SettingsBlock& GetSettingsBlock() const override;

private:
    struct Storage;
    std::unique_ptr<Storage> m_pStorage;
};

class WDL_API CLFDDataFactory {
public:
    /// A new in-memory record with the defaults above; end it with its Release.
    static CLFDData* CreateInstance();
};

/// Releases a record made by the factory, for std::unique_ptr.
struct CLFDDataRelease {
    void operator()(CLFDData* record) const {
        if (record != nullptr) {
            record->Release();
        }
    }
};
using CLFDDataPtr = std::unique_ptr<CLFDData, CLFDDataRelease>;
