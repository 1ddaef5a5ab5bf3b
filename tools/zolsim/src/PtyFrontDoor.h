// The display's serial line: a pseudo-terminal whose slave side a client opens like a serial port.
#pragma once

#include "Core.h"
#include "Io.h"

#include <mutex>
#include <string>
#include <thread>

namespace zolsim {

class PtyFrontDoor {
public:
    PtyFrontDoor(Core& core, bool baudPacing);
    ~PtyFrontDoor();
    PtyFrontDoor(const PtyFrontDoor&) = delete;
    PtyFrontDoor& operator=(const PtyFrontDoor&) = delete;

    // Opens the pair and starts serving; returns the slave path, or empty with a reason in error.
    std::string Start(std::string& error);
    // Closes the master side; a client's reads and writes then fail as on an unplugged line.
    void HangUp();
    // The slave path of the line now served (a line dropped mid-reply comes back under a new one).
    std::string Path() const;

private:
    // A fresh pseudo-terminal pair in place of the members below; false with a reason in error.
    bool OpenLine(std::string& error);
    void Serve();
    unsigned LineSpeed() const;

    Core& m_core;
    bool m_pacing;
    io::StopSignal m_stop;
    io::UniqueFd m_master;
    // Kept open so the line stays up while clients open and close the slave side.
    io::UniqueFd m_slaveHold;
    // Reports every close of the slave side: a client's exclusive-use flag outlives its close on a
    // pseudo-terminal (unlike on a real port), so the display clears it when the client lets go.
    io::UniqueFd m_closeWatch;
    std::thread m_thread;
    mutable std::mutex m_pathLock;
    std::string m_path; // the slave side's device path, new after a dropped line; what the request log names
};

} // namespace zolsim
