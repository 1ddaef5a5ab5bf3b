#pragma once

/// \file
/// The record library's interfaces as the control library uses them: the device classifier, the host's
/// display adapter with its display list, the adapter collection keyed by address, and the display-ID
/// range record. The in-memory implementations live in LFDData.h and VWDataAdapter.h.

#include "ILFDData.h"
#include "WallDataLibExport.h"

#include <cstdint>

/// A range of display IDs, first to last. Default-constructed ranges hold 0 and 0.
struct WDL_API SetIdRange {
    /// The range 0 to 0.
    SetIdRange();
    /// The range first to last, stored as given.
    SetIdRange(std::int32_t first, std::int32_t last);

    std::int32_t m_nFirstId; ///< the first display ID of the range
    std::int32_t m_nLastId;  ///< the last display ID of the range
};

/// Classifies a display from its model code and device-type text (see LFDDeviceClassTable.h for the rule
/// and the table a host can extend).
class ILFDUtility {
public:
    /// Ends the classifier.
    virtual void Release() = 0;
    /// reserved: pass null. Returns the device class, 0 for an unknown device.
    virtual int ClassifyDevice(int modelCode, const wchar_t* deviceType, void* reserved) = 0;

protected:
    virtual ~ILFDUtility() = default;
};

/// Makes device classifiers.
class WDL_API ILFDUtilityFactory {
public:
    /// A new classifier; the caller ends it with Release.
    static ILFDUtility* CreateInstance();
};

/// A snapshot of an adapter's displays in key order, made when the list is obtained.
/// A new list (and one after MoveFirst) stands before its first record: each MoveNext steps to the next
/// record and answers true while there is one, so a walk is
///     for (list->MoveFirst(); list->MoveNext();) use(list->Current());
class IVWDisplayList {
public:
    /// Ends the list; the records stay the host's.
    virtual void Release() = 0;
    /// Back before the first record.
    virtual void MoveFirst() = 0;
    /// Steps to the next record: true while there is one, false (and Current null) past the last.
    virtual bool MoveNext() = 0;
    /// The current record, or null before the first MoveNext and after the last.
    virtual ILFDData* Current() = 0;

protected:
    virtual ~IVWDisplayList() = default;
};

/// The host's displays, each under an int key.
class IVWDataAdapter {
public:
    /// The record under the key, or null.
    virtual ILFDData* GetDisplay(int key) = 0;
    /// A new display list (the caller ends it with Release).
    virtual IVWDisplayList* GetDisplayList() = 0;

protected:
    virtual ~IVWDataAdapter() = default;
};

/// The adapters of the displays behind each address (several displays may hang behind one address).
class IVWDataAdapterCollection {
public:
    /// The adapter for the address text, or null when none is known.
    virtual IVWDataAdapter* GetAdapter(const wchar_t* address) = 0;

protected:
    virtual ~IVWDataAdapterCollection() = default;
};

/// Hands out the process-wide host adapter.
class WDL_API IVWDataAdapterFactory {
public:
    /// The process-wide host adapter; callers never release it.
    static IVWDataAdapter* CreateInstance();
};

/// Hands out the process-wide adapter collection.
class WDL_API IVWDataAdapterCollectionFactory {
public:
    /// The process-wide adapter collection; callers never release it.
    static IVWDataAdapterCollection* CreateInstance();
};
