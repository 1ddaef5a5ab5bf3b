#include "platform/Alert.h"

#include "Logger.h"
#include "ZOLAlert.h"

#include <cstdio>
#include <mutex>

namespace {

struct InstalledHandler {
    std::mutex mutex;
    CZOLAlert::Handler handler = nullptr;
    void* context = nullptr;
};

InstalledHandler& Installed() {
    static InstalledHandler installed;
    return installed;
}

} // namespace

void CZOLAlert::SetHandler(Handler handler, void* context) {
    auto& installed = Installed();
    std::lock_guard lock(installed.mutex);
    installed.handler = handler;
    installed.context = context;
}

void CZOLAlert::Show(const std::string& caption, const std::string& text) {
    Handler handler = nullptr;
    void* context = nullptr;
    {
        auto& installed = Installed();
        std::lock_guard lock(installed.mutex);
        handler = installed.handler;
        context = installed.context;
    }
    if (handler != nullptr) {
        handler(caption, text, context);
        return;
    }
    ZOL_LOG_WARN << caption << ": " << text;
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
}

namespace zol::platform {

void ShowAlert(const std::string& caption, const std::string& text) {
    CZOLAlert::Show(caption, text);
}

} // namespace zol::platform
