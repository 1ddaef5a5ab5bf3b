#include "command/CommandObject.h"

#include "ILFDData.h"
#include "Logger.h"
#include "command/DecoderChecks.h"

namespace zol::command {

CommandObject::CommandObject(IZOLCommand* given, AtEnd atEnd)
    : m_pCommand(given), m_bOwned(given == nullptr), m_AtEnd(atEnd) {
    if (m_bOwned) {
        m_pCommand = IZOLCommandFactory::CreateInstance();
        if (m_pCommand == nullptr) {
            ZOL_LOG_ERROR << "No command object could be created";
        } else {
            m_pCommand->Initialize();
        }
    }
}

CommandObject::~CommandObject() {
    if (m_pCommand == nullptr) {
        return;
    }
    if (m_bOwned) {
        m_pCommand->Release();
    } else if (m_AtEnd == AtEnd::ClearData) {
        m_pCommand->ClearData();
    }
}

const char* KindText(int connectionKind) {
    return connectionKind == 1 ? "ETHERNET" : "SERIAL";
}

void FillCommand(IZOLCommand& command, ILFDData& record, unsigned char code, int length,
                 const unsigned char* data) {
    std::string address;
    std::string credential;
    std::string commandText;
    record.GetAddress(address);
    record.GetConnectionParameter(credential);
    record.GetCommandText(commandText);
    command.SetConnectionInfo(address, KindText(record.GetConnectionKind()));
    command.SetCredential(credential);
    command.SetRelayByte(static_cast<unsigned char>(record.GetRelayByte() & 0xFF));
    command.SetDisplayId(static_cast<unsigned char>(record.GetDisplayId()));
    command.SetRelayTarget(record.GetRelayTarget());
    command.SetCommand(code, length, data);
    command.SetCommandText(commandText);
    command.SetModelCode(record.GetModelCode());
    command.SetDeviceClass(DeviceClassOf(record));
}

} // namespace zol::command
