#include "ZOLCommandHandler.h"
#include "ZOLConnection.h"
#include "command/CommandHandler.h"

#include <memory>
#include <mutex>

namespace {

std::mutex g_instanceMutex;
zol::command::CZOLCommandHandler* g_pInstance = nullptr;

// When the library leaves the process: the pool first (closing every connection), then the handler.
struct LibraryUnload {
    ~LibraryUnload() {
        IZOLConnectionPoolFactory::DeleteInstance();
        IZOLCommandHandlerFactory::DeleteInstance();
    }
} g_libraryUnload;

} // namespace

IZOLCommandHandler* IZOLCommandHandlerFactory::CreateInstance() {
    std::lock_guard lock(g_instanceMutex);
    if (g_pInstance == nullptr) {
        g_pInstance = new zol::command::CZOLCommandHandler();
    }
    return g_pInstance;
}

void IZOLCommandHandlerFactory::DeleteInstance() {
    std::lock_guard lock(g_instanceMutex);
    delete g_pInstance;
    g_pInstance = nullptr;
}
