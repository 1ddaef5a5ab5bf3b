// The status of one display, from making its record to reading the values back.
//
//     display_status HOST [PORT [ID]]
//
// Prints "power on|off, responding yes|no" and exits 0 when the display answered the status query.
#include "LFDData.h"
#include "ZOLCommandHandler.h"
#include "ZOLConnection.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr int kEthernet = 1; // the record's connection kind for a TCP display
constexpr unsigned char kStatusQuery = 0x00;

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: display_status HOST [PORT [ID]]\n");
        return 2;
    }
    const std::string host = argv[1];
    const auto port = static_cast<std::uint32_t>(argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 1515);
    const int id = argc > 3 ? std::atoi(argv[3]) : 1;

    // 1. The record: how the display is reached, and where its replies are kept.
    CLFDDataPtr record(CLFDDataFactory::CreateInstance());
    record->SetAddress(host);
    record->SetConnectionKind(kEthernet);
    record->SetDisplayId(id);

    // 2. The connection, kept in the process-wide pool under the record's address.
    IZOLConnectionPool* pool = IZOLConnectionPoolFactory::CreateInstance();
    IZOLConnection* connection = pool->CreateConnection(host, ZOL_KIND_ETHERNET, "");
    connection->SetLinkParameter(port);
    int connectStatus = ZOL_CONNECT_OPENED;
    if (!connection->Connect(&connectStatus)) {
        std::fprintf(stderr, "cannot connect to %s port %u (status %d)\n", host.c_str(), port, connectStatus);
        return 1;
    }

    // 3. The query: the handler sends it, matches the reply and decodes it into the record.
    IZOLCommandHandler* handler = IZOLCommandHandlerFactory::CreateInstance();
    const unsigned int result =
        handler->Execute(record.get(), kStatusQuery, 0, nullptr, nullptr, &connectStatus, true);

    // 4. The values, read back from the record.
    if (result == 1) {
        std::printf("power %s, responding %s\n", record->GetPower() ? "on" : "off",
                    record->IsResponding() ? "yes" : "no");
    } else {
        std::fprintf(stderr, "no status from display %d (status %d)\n", id, connectStatus);
    }
    IZOLCommandHandlerFactory::DeleteInstance();
    IZOLConnectionPoolFactory::DeleteInstance();
    return result == 1 ? 0 : 1;
}
