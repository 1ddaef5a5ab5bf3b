// The README's host example: prints the system-health query for display 1 (AA 0D 01 00 0E), after
// checking that the library it loaded is the version its package said.
#include "ZOLSystemUtility.h"

#include <cstdio>
#include <cstring>

extern "C" const char* ConsumerLibraryVersion(void);

int main() {
    if (std::strcmp(ConsumerLibraryVersion(), EXPECTED_VERSION) != 0) {
        std::fprintf(stderr, "library version %s, package version %s\n", ConsumerLibraryVersion(),
                     EXPECTED_VERSION);
        return 1;
    }
    CZOLCommandBuilder* builder = ZOLCommandFactory::CreateInstance();
    const unsigned char* packet = builder->MakeGetSysHealthStatusCommand(1);
    for (int i = 0; i < builder->GetCommandPacketSize(); ++i) {
        std::printf("%02X ", packet[i]);
    }
    std::printf("\n");
    ZOLCommandFactory::DeleteInstance(builder);
    return 0;
}
