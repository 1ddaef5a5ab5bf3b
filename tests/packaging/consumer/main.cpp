// The README's host example: prints the system-health query for display 1 (AA 0D 01 00 0E).
#include "ZOLSystemUtility.h"

#include <cstdio>

int main() {
    CZOLCommandBuilder* builder = ZOLCommandFactory::CreateInstance();
    const unsigned char* packet = builder->MakeGetSysHealthStatusCommand(1);
    for (int i = 0; i < builder->GetCommandPacketSize(); ++i) {
        std::printf("%02X ", packet[i]);
    }
    std::printf("\n");
    ZOLCommandFactory::DeleteInstance(builder);
    return 0;
}
