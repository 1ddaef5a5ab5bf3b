#include "transport/ExchangeTurns.h"

#include <map>
#include <memory>

namespace zol::transport {

ExchangeTurn TakeExchangeTurn(const std::string& address) {
    // One lock per address ever used; the table only grows, by one small entry per display address. It is
    // never destroyed, so an exchange that runs while the process exits still finds it.
    static auto* tableLock = new std::mutex;
    static auto* turns = new std::map<std::string, std::unique_ptr<std::recursive_mutex>, std::less<>>;
    std::recursive_mutex* turn = nullptr;
    {
        const std::lock_guard guard(*tableLock);
        auto& slot = (*turns)[address];
        if (!slot) {
            slot = std::make_unique<std::recursive_mutex>();
        }
        turn = slot.get();
    }
    return ExchangeTurn(*turn);
}

} // namespace zol::transport
