// Misbehaviour a test can order from the simulated display, one answered request at a time.
#pragma once

#include <cstddef>
#include <vector>

namespace zolsim {

enum class FaultKind {
    None,            // answer normally (useful to let one request through before the next fault)
    Drop,            // act on the request but send no reply
    Delay,           // send the reply after delayMs
    Split,           // send the first splitAt bytes, wait splitGapMs, send the rest
    CorruptChecksum, // send the reply with its last (checksum) byte altered
    GarbagePrefix,   // send garbage bytes in front of the reply, in the same write
    WrongId,         // answer as display otherId (checksum recomputed)
    WrongCommand,    // answer with otherCode as the reply command (checksum recomputed)
    Duplicate,       // send the reply twice, in two writes
    Nak,             // refuse: acknowledgement 'N', the request's command, no values
    Close,           // close the connection instead of answering
    StallHandshake,  // on the next secured connection: read the client's handshake, never answer it
    // Displays that misbehave slowly rather than fail:
    Trickle,        // send the reply one byte at a time, trickleMs before each byte
    EndlessGarbage, // instead of the reply, bytes that never form a frame, written until the connection
                    // closes (the fleet door writes them once)
    Oversized,      // the reply with a two-byte length announcing 0xFFFF bytes, padded past 2048 bytes
    IllFormed,      // the reply with a header byte other than 0xAA (its checksum, which leaves the header
                    // out, still right)
    CloseMidReply,  // send the first half of the reply, splitGapMs later close the connection; on the pty
                    // the line drops (taking what the client has not read yet) and a new one opens
                    // (Simulator::PtyPath)
    NeverRead,      // on the next TCP connection: greet, then read nothing more until the client leaves
                    // (its send buffer fills); counts connections, not requests; not on the fleet door
};

struct Fault {
    FaultKind kind = FaultKind::None;
    int delayMs = 0;
    std::size_t splitAt = 1;
    int splitGapMs = 20;
    unsigned char otherId = 0;
    unsigned char otherCode = 0;
    std::vector<unsigned char> garbage = {0x13, 0x37, 0x00};
    int onlyCode = -1; // apply only to requests with this command code; -1: any request
    int times = 1;     // how many answered requests it applies to
    int trickleMs = 300;
};

} // namespace zolsim
