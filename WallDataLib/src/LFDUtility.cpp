#include "LFDDeviceClassTable.h"
#include "WallDataLib.h"

#include <mutex>
#include <string_view>
#include <vector>

namespace zol::walldata {
namespace {

struct ClassEntry {
    std::wstring deviceType; // already normalised
    int deviceClass;
    int modelCode;
};

// Trims spaces, drops one pair of surrounding brackets and folds ASCII letters to upper case, so that
// " [led] " and "LED" name the same device type.
std::wstring Normalise(std::wstring_view text) {
    const auto isSpace = [](wchar_t c) { return c == L' ' || c == L'\t'; };
    while (!text.empty() && isSpace(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isSpace(text.back())) {
        text.remove_suffix(1);
    }
    if (text.size() >= 2 && text.front() == L'[' && text.back() == L']') {
        text = text.substr(1, text.size() - 2);
    }
    std::wstring folded(text);
    for (wchar_t& c : folded) {
        if (c >= L'a' && c <= L'z') {
            c = static_cast<wchar_t>(c - L'a' + L'A');
        }
    }
    return folded;
}

std::vector<ClassEntry> BuiltInEntries() {
    const int any = LFDDeviceClassTable::kAnyModelCode;
    return {{L"LCD", 1, any}, {L"OLED", 1, any}, {L"LED", 2, any}, {L"HYBRID", 3, any}};
}

struct ClassTable {
    std::mutex mutex;
    std::vector<ClassEntry> entries = BuiltInEntries();
};

ClassTable& Table() {
    static ClassTable* const table = new ClassTable();
    return *table;
}

class LFDUtility final : public ILFDUtility {
public:
    void Release() override { delete this; }
    int ClassifyDevice(int modelCode, const wchar_t* deviceType, void* /*reserved*/) override {
        return LFDDeviceClassTable::Classify(modelCode, deviceType);
    }

private:
    ~LFDUtility() override = default;
};

} // namespace
} // namespace zol::walldata

using namespace zol::walldata;

void LFDDeviceClassTable::Add(const std::wstring& deviceType, int deviceClass, int modelCode) {
    ClassTable& table = Table();
    std::lock_guard<std::mutex> lock(table.mutex);
    table.entries.insert(table.entries.begin(), ClassEntry{Normalise(deviceType), deviceClass, modelCode});
}

void LFDDeviceClassTable::Reset() {
    ClassTable& table = Table();
    std::lock_guard<std::mutex> lock(table.mutex);
    table.entries = BuiltInEntries();
}

int LFDDeviceClassTable::Classify(int modelCode, const wchar_t* deviceType) {
    if (deviceType == nullptr) {
        return 0;
    }
    const std::wstring wanted = Normalise(deviceType);
    if (wanted.empty()) {
        return 0;
    }
    ClassTable& table = Table();
    std::lock_guard<std::mutex> lock(table.mutex);
    for (const ClassEntry& entry : table.entries) {
        if (entry.deviceType == wanted &&
            (entry.modelCode == kAnyModelCode || entry.modelCode == modelCode)) {
            return entry.deviceClass;
        }
    }
    return 0;
}

ILFDUtility* ILFDUtilityFactory::CreateInstance() {
    return new LFDUtility();
}
