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

/// The in-memory display record; see the file description.
class WDL_API CLFDData : public ILFDData {
public:
    /// A record with the defaults of the file description.
    CLFDData();
    /// Frees the record's storage.
    ~CLFDData() override;
    /// An independent copy of every value of the other record.
    CLFDData(const CLFDData&);
    /// Copies every value of the other record into this one.
    CLFDData& operator=(const CLFDData&);

    /// Ends a record made by CLFDDataFactory::CreateInstance.
    virtual void Release();

    /// @name Connection
    /// @{

    void GetAddress(std::string& out) const override;
    void GetConnectionParameter(std::string& out) const override;
    int GetConnectionKind() const override;
    int GetDisplayId() const override;
    int GetRelayByte() const override;
    int GetRelayTarget() const override;
    int GetFramingVariant() const override;
    void SetFramingVariant(int variant) override;

    /// What GetAddress answers.
    virtual void SetAddress(const std::string& address);
    /// What GetConnectionParameter answers.
    virtual void SetConnectionParameter(const std::string& parameter);
    /// What GetConnectionKind answers.
    virtual void SetConnectionKind(int kind);
    /// What GetDisplayId answers.
    virtual void SetDisplayId(int id);
    /// What GetRelayByte answers.
    virtual void SetRelayByte(int relayByte);
    /// What GetRelayTarget answers.
    virtual void SetRelayTarget(int target);
    /// @}

    /// @name Identity
    /// @{

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

    /// What GetModelCode answers.
    virtual void SetModelCode(int code);
    /// What GetDeviceTypeText answers.
    virtual void SetDeviceTypeText(const std::string& text);
    /// What GetCommandText answers.
    virtual void SetCommandText(const std::string& text);
    /// What GetIdentificationText answers.
    virtual void SetIdentificationText(const std::string& text);
    /// What GetProductGroup answers.
    virtual void SetProductGroup(int group);
    /// What GetProductFamily answers.
    virtual void SetProductFamily(int family);
    /// What GetProductClass answers.
    virtual void SetProductClass(int productClass);
    /// What GetBlockFlag answers.
    virtual void SetBlockFlag(int flag);
    /// What GetLinkVariant answers.
    virtual void SetLinkVariant(int variant);
    /// What GetLinkSubVariant answers.
    virtual void SetLinkSubVariant(int variant);
    /// What IsClassOverrideEnabled answers.
    virtual void SetClassOverrideEnabled(bool enabled);
    /// What IsClassOverrideActive answers.
    virtual void SetClassOverrideActive(bool active);
    /// What GetClassOverride answers.
    virtual void SetClassOverride(int deviceClass);
    /// @}

    /// @name Host state
    /// @{

    bool IsCommunicationEnabled() const override;
    bool IsSelected() const override;
    /// What IsCommunicationEnabled answers.
    virtual void SetCommunicationEnabled(bool enabled);
    /// What IsSelected answers.
    virtual void SetSelected(bool selected);
    /// @}

    /// @name Capabilities
    /// The in-memory record answers the E3 and C8 questions whatever the arguments.
    /// @{

    bool IsCommandE3Allowed(int first, int second) const override;
    bool IsSupportedC8Sub82(int* first, int* second, void* third) const override;
    /// What IsCommandE3Allowed answers, for every pair of arguments.
    virtual void SetCommandE3Allowed(bool allowed);
    /// What IsSupportedC8Sub82 answers, for every set of arguments.
    virtual void SetSupportedC8Sub82(bool supported);
#define CAP(Name)                                                                                            \
    bool Is##Name() const override;                                                                          \
    virtual void Set##Name(bool value);
#include "LFDCapabilities.def"
#undef CAP
    /// @}

    /// @name Decoded and stored values
    /// Plain storage: each getter answers what its setter stored last.
    /// @{

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
    /// @}

    /// The in-memory record counts closed 0xC4 groups.
    void EndValueC4() override;
    /// How many 0xC4 groups were closed (EndValueC4 calls); a copy carries the count over.
    int GetEndValueC4Count() const;

    SettingsBlock& GetSettingsBlock() override;
    const SettingsBlock& GetSettingsBlock() const override;

private:
    struct Storage;
    std::unique_ptr<Storage> m_pStorage;
};

/// Makes in-memory records on the library's heap, for hosts that end them with Release.
class WDL_API CLFDDataFactory {
public:
    /// A new in-memory record with the defaults above; end it with its Release.
    static CLFDData* CreateInstance();
};

/// Releases a record made by the factory, for std::unique_ptr.
struct CLFDDataRelease {
    /// Releases the record; null is ignored.
    void operator()(CLFDData* record) const {
        if (record != nullptr) {
            record->Release();
        }
    }
};
/// An owning pointer to a factory-made record; it ends the record with Release.
using CLFDDataPtr = std::unique_ptr<CLFDData, CLFDDataRelease>;
