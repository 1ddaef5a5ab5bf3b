#include "transport/ConnectionEvents.h"

#include <cstdlib>
#include <cstring>
#include <ctime>

#include "platform/Pause.h"

namespace zol::events {

void Notify(IConnectionEventSink* sink, const std::string& source, ZOLLinkKind link,
            ZOLConnectionEventType type, const std::string& message, const unsigned char* data,
            std::size_t length) {
    if (sink == nullptr)
        return;
    ConnectionEvent event{};
    event.source = source;
    event.linkKind = link;
    event.eventType = type;
    event.message = message;
    const std::time_t now = std::time(nullptr);
    localtime_r(&now, &event.localTime);
    event.tickCount = platform::SteadyMs();
    if (data != nullptr && length > 0) {
        // The copy belongs to the sink from here on.
        event.data = static_cast<unsigned char*>(std::malloc(length));
        if (event.data != nullptr) {
            std::memcpy(event.data, data, length);
            event.dataLength = length;
        }
    }
    sink->OnConnectionEvent(&event);
}

} // namespace zol::events

namespace zol {

std::string HexText(const unsigned char* data, std::size_t length) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    if (data == nullptr)
        return text;
    text.reserve(length * 3);
    for (std::size_t i = 0; i < length; ++i) {
        if (i != 0)
            text += ' ';
        text += kDigits[data[i] >> 4];
        text += kDigits[data[i] & 0x0F];
    }
    return text;
}

} // namespace zol
