#pragma once

/// \file
/// ILFDData: the per-display record. The host owns every record; the control library reads a record's
/// connection settings, identity and capabilities from it and writes every value it decodes from the
/// display's replies into it. CLFDData (LFDData.h) is the in-memory implementation.
///
/// Threads: a record takes no lock. One thread may write a record while another reads it only when the
/// two are synchronised by their caller (the control library drives one display from one thread at a
/// time; a host that shows values while a command runs must guard the record itself).
///
/// Shapes: integers are 32-bit; texts are narrow strings handed back through an out-parameter; blocks are
/// fixed arrays and lists are vectors of ints, both handed back by value.

#include <array>
#include <string>
#include <type_traits>
#include <vector>

using IntBlock2 = std::array<int, 2>;   ///< a block value of 2 ints
using IntBlock6 = std::array<int, 6>;   ///< a block value of 6 ints
using IntBlock9 = std::array<int, 9>;   ///< a block value of 9 ints
using IntBlock13 = std::array<int, 13>; ///< a block value of 13 ints
using IntBlock16 = std::array<int, 16>; ///< a block value of 16 ints
using IntList = std::vector<int>;       ///< a list value of any number of ints

/// How a generated setter takes its value: numbers and flags by value, blocks and lists by reference.
template <typename T> using LFDIn = std::conditional_t<std::is_arithmetic_v<T>, T, const T&>;

/// The per-display record the host owns and the control library reads and fills; see the file
/// description.
class ILFDData {
public:
    /// The settings block is a fixed block of ints that command 0x58 and the register operations share:
    /// fields 0 to 8 hold the values of registers 0x40 to 0x48 (the 3 x 3 matrix, row by row, 512 standing
    /// for 0xFFFF), field 9 the value that command 0x58 reports and sets; the remaining fields are free for
    /// the register operations.
    using SettingsBlock = std::array<int, 16>;
    static constexpr int kSettingsBlockSize = 16;      ///< ints in the settings block
    static constexpr int kSettingsFieldRegister40 = 0; ///< the field of register 0x40 (0x41 to 0x48 follow)
    static constexpr int kSettingsFieldCommand58 =
        9; ///< the field of the value command 0x58 reports and sets

    /// Virtual, so that a record can be destroyed through the interface (factory-made CLFDData records
    /// end with Release).
    virtual ~ILFDData() = default;

    /// @name Connection
    /// @{

    /// Address: an IP address text or a serial port name; the key of the display's pooled connection.
    virtual void GetAddress(std::string& out) const = 0;
    /// The credential (device PIN) handed to the pool with the address; empty for none.
    virtual void GetConnectionParameter(std::string& out) const = 0;
    /// 1 = Ethernet, any other value a serial line (2 by convention).
    virtual int GetConnectionKind() const = 0;
    /// The display ID the requests carry; a reply in framing variant 0 must carry it too.
    virtual int GetDisplayId() const = 0;
    /// Data byte 3 of the relay header sent ahead of a request to the relay target (its low byte).
    virtual int GetRelayByte() const = 0;
    /// The relay target behind a relaying display; below 0 for none.
    virtual int GetRelayTarget() const = 0;
    /// 0 standard, 1 compact (no header, no ID byte), 2 ID byte replaced by 0xF7.
    virtual int GetFramingVariant() const = 0;
    /// Stores the framing variant (IZOLCommandHandler::DetectFraming stores what it found).
    virtual void SetFramingVariant(int variant) = 0;
    /// @}

    /// @name Identity
    /// Values that select time-outs, guards and the device class.
    /// @{

    /// The model code: tested by model-specific operations; with the device-type text it gives the
    /// device class.
    virtual int GetModelCode() const = 0;
    /// The device-type text that, with the model code, gives the device class (LFDDeviceClassTable.h).
    virtual void GetDeviceTypeText(std::string& out) const = 0;
    /// A text handed to each command object with its request (IZOLCommand::SetCommandText).
    virtual void GetCommandText(std::string& out) const = 0;
    /// The identification text; command 0xE3 is also sent when it starts with a known prefix.
    virtual void GetIdentificationText(std::string& out) const = 0;
    /// The product group, tested by the operations meant for some groups only.
    virtual int GetProductGroup() const = 0;
    /// The product family, tested by the operations meant for some families only.
    virtual int GetProductFamily() const = 0;
    /// The product class, tested by the operations meant for some classes only.
    virtual int GetProductClass() const = 0;
    /// 1 with product group 2, 4 or 5: the 0xD0 0x92 and 0x97 requests pack their leading arguments
    /// into one byte.
    virtual int GetBlockFlag() const = 0;
    /// The link variant, tested with the product family by some 0x1B operations.
    virtual int GetLinkVariant() const = 0;
    /// The link sub-variant; kept for the host, no operation of the library tests it.
    virtual int GetLinkSubVariant() const = 0;
    /// When the device class comes out as 3 and both flags are set, the record's override replaces it.
    virtual bool IsClassOverrideEnabled() const = 0;
    /// The other flag the override needs (see IsClassOverrideEnabled).
    virtual bool IsClassOverrideActive() const = 0;
    /// The device class that replaces class 3 when both flags are set.
    virtual int GetClassOverride() const = 0;
    /// @}

    /// @name State set by the host
    /// Responding, Power and the other decoded states are values below.
    /// @{

    /// False: nothing is sent for this record and it counts as done (a status request, command 0x00,
    /// first stores Responding and Power as false).
    virtual bool IsCommunicationEnabled() const = 0;
    /// Whether ExecuteForDisplays takes the record when it is not asked for all displays.
    virtual bool IsSelected() const = 0;
    /// @}

    /// @name Capabilities
    /// Yes/no values tested before a command is sent. IsCommandE3Allowed and IsSupportedC8Sub82 take
    /// arguments; IsSupportedModuleInformation, IsSupported\<code\>[Sub\<sub\>] and IsRefreshFlagA to G
    /// take none, one per row of LFDCapabilities.def.
    /// @{

    /// Whether the display qualifies for command 0xE3 with these two arguments.
    virtual bool IsCommandE3Allowed(int first, int second) const = 0;
    /// Asked with the three arguments of the operation that reads 0xC8 sub-codes 0x81 and 0x82.
    virtual bool IsSupportedC8Sub82(int* first, int* second, void* third) const = 0;
#define CAP(Name) virtual bool Is##Name() const = 0;
#include "LFDCapabilities.def"
#undef CAP
    /// @}

    /// @name Decoded and stored values
    /// One Set/Get pair per row of LFDValues.def, named after the row.
    /// @{

#define X(Type, Name)                                                                                        \
    virtual void Set##Name(LFDIn<Type> value) = 0;                                                           \
    virtual Type Get##Name() const = 0;
#define X_TEXT(Name)                                                                                         \
    virtual void Set##Name(const std::string& value) = 0;                                                    \
    virtual void Get##Name(std::string& out) const = 0;
#define X_IS(Name)                                                                                           \
    virtual void Set##Name(bool value) = 0;                                                                  \
    virtual bool Is##Name() const = 0;
#define X_PARAM(Name)                                                                                        \
    virtual int Set##Name(int value) = 0;                                                                    \
    virtual int Get##Name() const = 0;
#include "LFDValues.def"
#undef X
#undef X_TEXT
#undef X_IS
#undef X_PARAM
    /// @}

    /// Closes a 0xC4 group: called after all values of one 0xC4 reply were stored.
    virtual void EndValueC4() = 0;

    /// The record's settings block (layout above); the reference stays valid as long as the record.
    virtual SettingsBlock& GetSettingsBlock() = 0;
    /// The settings block, read only.
    virtual const SettingsBlock& GetSettingsBlock() const = 0;
};
