// TransferChunked: a large payload sent in numbered chunks, always over Ethernet.

#include "ILFDData.h"
#include "Logger.h"
#include "command/CommandHandler.h"
#include "command/CommandObject.h"
#include "platform/Pause.h"

#include <cstdint>

namespace zol::command {

namespace {

// 64 KiB chunks are 65532 bytes: the length field of a bulk frame also counts three header bytes.
std::int64_t ChunkSize(unsigned int chunkKiB) {
    return chunkKiB == 64 ? 65532 : std::int64_t{chunkKiB} * 1024;
}

constexpr std::uint32_t kChunkGapMs = 8000;

} // namespace

unsigned int CZOLCommandHandler::TransferChunked(ILFDData* record, unsigned char code, unsigned char subCode,
                                                 int totalLength, const unsigned char* data,
                                                 unsigned int chunkKiB) {
    if (record == nullptr) {
        return 1;
    }
    if (chunkKiB == 0 || totalLength < 0 || (data == nullptr && totalLength > 0)) {
        ZOL_LOG_WARN << "TransferChunked: refused " << totalLength << " bytes in chunks of " << chunkKiB
                     << " KiB";
        return 0;
    }
    CommandObject command(nullptr, CommandObject::AtEnd::Nothing);
    if (!command) {
        return 1;
    }
    std::string address;
    std::string credential;
    std::string commandText;
    record->GetAddress(address);
    record->GetConnectionParameter(credential);
    record->GetCommandText(commandText);
    command->SetConnectionInfo(address, "ETHERNET");
    command->SetCredential(credential);
    command->SetDisplayId(static_cast<unsigned char>(record->GetDisplayId()));
    command->SetCommandText(commandText);
    command->SetModelCode(record->GetModelCode());

    const std::int64_t chunkSize = ChunkSize(chunkKiB);
    const std::int64_t remainder = totalLength % chunkSize;
    const auto chunkCount = static_cast<int>(totalLength / chunkSize + (remainder != 0 ? 1 : 0));
    for (int chunk = 0; chunk < chunkCount; ++chunk) {
        const bool last = chunk == chunkCount - 1;
        const auto length = static_cast<int>(last && remainder != 0 ? remainder : chunkSize);
        command->SetCommandEx(code, subCode, length, chunk, chunkCount, data + chunk * chunkSize);
        Reply reply; // not evaluated
        reply.bytes.reset(command->SendAndReceive(&reply.length, record->GetFramingVariant(), nullptr));
        command->ClearData();
        if (!last) {
            platform::Pause(kChunkGapMs);
        }
    }
    return 1;
}

} // namespace zol::command
