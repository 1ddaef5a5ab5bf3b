#pragma once

// The command object an operation drives: the caller's, or one made for the call.

#include "ZOLCommand.h"

class ILFDData;

namespace zol::command {

class CommandObject {
public:
    // What happens to a caller's object at the end (one made here is always released).
    enum class AtEnd { Nothing, ClearData };

    CommandObject(IZOLCommand* given, AtEnd atEnd);
    ~CommandObject();
    CommandObject(const CommandObject&) = delete;
    CommandObject& operator=(const CommandObject&) = delete;

    explicit operator bool() const { return m_pCommand != nullptr; }
    IZOLCommand& operator*() const { return *m_pCommand; }
    IZOLCommand* operator->() const { return m_pCommand; }
    IZOLCommand* Get() const { return m_pCommand; }

private:
    IZOLCommand* m_pCommand;
    bool m_bOwned;
    AtEnd m_AtEnd;
};

// "ETHERNET" for connection kind 1, else "SERIAL".
const char* KindText(int connectionKind);

// Fills a command object from the record: connection, credential, relay, display ID, the command and
// its data, command text, model code and device class.
void FillCommand(IZOLCommand& command, ILFDData& record, unsigned char code, int length,
                 const unsigned char* data);

} // namespace zol::command
