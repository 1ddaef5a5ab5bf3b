#include "VWDataAdapter.h"

#include "LFDDeviceClassTable.h"

#include <utility>

namespace zol::walldata {
namespace {

// A display list over a snapshot of records; the position stands before the first record until the
// first MoveNext.
class DisplayList final : public IVWDisplayList {
public:
    explicit DisplayList(std::vector<ILFDData*> records) : m_records(std::move(records)) {}

    void Release() override { delete this; }
    void MoveFirst() override {
        m_next = 0;
        m_current = nullptr;
    }
    bool MoveNext() override {
        if (m_next >= m_records.size()) {
            m_current = nullptr;
            return false;
        }
        m_current = m_records[m_next++];
        return true;
    }
    ILFDData* Current() override { return m_current; }

private:
    ~DisplayList() override = default;

    std::vector<ILFDData*> m_records;
    std::size_t m_next = 0;
    ILFDData* m_current = nullptr;
};

} // namespace
} // namespace zol::walldata

CVWDataAdapter::CVWDataAdapter() = default;
CVWDataAdapter::~CVWDataAdapter() = default;

ILFDData* CVWDataAdapter::GetDisplay(int key) {
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto found = m_displays.find(key);
    return found == m_displays.end() ? nullptr : found->second;
}

IVWDisplayList* CVWDataAdapter::GetDisplayList() {
    std::vector<ILFDData*> records;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        records.reserve(m_displays.size());
        for (const auto& [key, record] : m_displays) {
            records.push_back(record);
        }
    }
    return new zol::walldata::DisplayList(std::move(records));
}

void CVWDataAdapter::AddDisplay(int key, ILFDData* record) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (record == nullptr) {
        m_displays.erase(key);
    } else {
        m_displays[key] = record;
    }
}

bool CVWDataAdapter::RemoveDisplay(int key) {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_displays.erase(key) != 0;
}

void CVWDataAdapter::Clear() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_displays.clear();
}

std::size_t CVWDataAdapter::Count() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_displays.size();
}

std::vector<int> CVWDataAdapter::Keys() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<int> keys;
    keys.reserve(m_displays.size());
    for (const auto& entry : m_displays) {
        keys.push_back(entry.first);
    }
    return keys;
}

CVWDataAdapter& CVWDataAdapter::Process() {
    // Never destroyed: the control library may still walk it while the process unloads.
    static CVWDataAdapter* const adapter = new CVWDataAdapter();
    return *adapter;
}

CVWDataAdapterCollection::CVWDataAdapterCollection() = default;
CVWDataAdapterCollection::~CVWDataAdapterCollection() = default;

IVWDataAdapter* CVWDataAdapterCollection::GetAdapter(const wchar_t* address) {
    if (address == nullptr) {
        return nullptr;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto found = m_adapters.find(address);
    return found == m_adapters.end() ? nullptr : found->second.get();
}

CVWDataAdapter& CVWDataAdapterCollection::AddAdapter(const std::wstring& address) {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::unique_ptr<CVWDataAdapter>& slot = m_adapters[address];
    if (!slot) {
        slot = std::make_unique<CVWDataAdapter>();
    }
    return *slot;
}

CVWDataAdapter& CVWDataAdapterCollection::AddAdapter(const std::string& address) {
    std::wstring wide;
    wide.reserve(address.size());
    for (const char c : address) {
        wide.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
    }
    return AddAdapter(wide);
}

bool CVWDataAdapterCollection::RemoveAdapter(const std::wstring& address) {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_adapters.erase(address) != 0;
}

void CVWDataAdapterCollection::Clear() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_adapters.clear();
}

std::size_t CVWDataAdapterCollection::Count() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_adapters.size();
}

CVWDataAdapterCollection& CVWDataAdapterCollection::Process() {
    static CVWDataAdapterCollection* const collection = new CVWDataAdapterCollection();
    return *collection;
}

IVWDataAdapter* IVWDataAdapterFactory::CreateInstance() {
    return &CVWDataAdapter::Process();
}

IVWDataAdapterCollection* IVWDataAdapterCollectionFactory::CreateInstance() {
    return &CVWDataAdapterCollection::Process();
}

void ResetProcessWide() {
    CVWDataAdapter::Process().Clear();
    CVWDataAdapterCollection::Process().Clear();
    LFDDeviceClassTable::Reset();
}
