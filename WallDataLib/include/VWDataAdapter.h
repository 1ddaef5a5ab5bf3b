#pragma once

/// \file
/// In-memory display adapter and adapter collection.
///
/// CVWDataAdapter holds the host's displays under int keys and lists them in key order. It does not own
/// the records: the host keeps each record alive while it is in an adapter.
/// CVWDataAdapterCollection holds one adapter per address text; it owns the adapters it made.
///
/// The process-wide instances that IVWDataAdapterFactory and IVWDataAdapterCollectionFactory hand out are
/// reached here as CVWDataAdapter::Process() and CVWDataAdapterCollection::Process(); ResetProcessWide()
/// empties both and resets the device-class table (tests call it between cases).
///
/// Threads: adding, removing and looking up are guarded, so several threads may use one adapter or the
/// collection at once. A display list is a snapshot: changes after GetDisplayList do not show in it.

#include "WallDataLib.h"
#include "WallDataLibExport.h"

#include <cstddef>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

/// The in-memory display adapter: the host's records (not owned) under int keys.
class WDL_API CVWDataAdapter : public IVWDataAdapter {
public:
    /// An adapter with no displays.
    CVWDataAdapter();
    /// Forgets the displays; the records stay the host's.
    ~CVWDataAdapter() override;
    CVWDataAdapter(const CVWDataAdapter&) = delete;
    CVWDataAdapter& operator=(const CVWDataAdapter&) = delete;

    ILFDData* GetDisplay(int key) override;
    IVWDisplayList* GetDisplayList() override;

    /// Puts the record under the key, replacing what was there. A null record removes the key.
    void AddDisplay(int key, ILFDData* record);
    /// False when the key was not there.
    bool RemoveDisplay(int key);
    /// Removes every key; the records stay the host's.
    void Clear();
    /// The number of keys.
    std::size_t Count() const;
    /// The keys in ascending order.
    std::vector<int> Keys() const;

    /// The process-wide adapter (the one IVWDataAdapterFactory hands out); never destroyed.
    static CVWDataAdapter& Process();

private:
    mutable std::mutex m_mutex;
    std::map<int, ILFDData*> m_displays;
};

/// The in-memory adapter collection: one adapter, owned by the collection, per address text.
class WDL_API CVWDataAdapterCollection : public IVWDataAdapterCollection {
public:
    /// A collection with no adapters.
    CVWDataAdapterCollection();
    /// Destroys the adapters it made.
    ~CVWDataAdapterCollection() override;
    CVWDataAdapterCollection(const CVWDataAdapterCollection&) = delete;
    CVWDataAdapterCollection& operator=(const CVWDataAdapterCollection&) = delete;

    /// The adapter for exactly this address text, or null (also for a null address).
    IVWDataAdapter* GetAdapter(const wchar_t* address) override;

    /// The adapter for the address, made empty when there was none. It lives until it is removed or the
    /// collection is cleared.
    CVWDataAdapter& AddAdapter(const std::wstring& address);
    /// Narrow convenience: the address widened character by character (addresses are ASCII).
    CVWDataAdapter& AddAdapter(const std::string& address);
    /// False when the address was not there.
    bool RemoveAdapter(const std::wstring& address);
    /// Destroys every adapter; references from AddAdapter end with them.
    void Clear();
    /// The number of adapters.
    std::size_t Count() const;

    /// The process-wide collection (the one IVWDataAdapterCollectionFactory hands out); never destroyed.
    static CVWDataAdapterCollection& Process();

private:
    mutable std::mutex m_mutex;
    std::map<std::wstring, std::unique_ptr<CVWDataAdapter>> m_adapters;
};

/// Empties the process-wide adapter and collection and puts the device-class table back to its built-in
/// entries.
WDL_API void ResetProcessWide();
