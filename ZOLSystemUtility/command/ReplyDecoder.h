#pragma once

// The reply decoder: splits a reply into frames, checks each (acknowledgement, checksum, display,
// relay target) and hands it to the rule for its reply command, which stores the values in the record.
// Usable on its own: bytes in, record values out.

#include <string>
#include <vector>

class ILFDData;

namespace zol::command {

// "[NON]", "[PDP]", "[LCD]", "[DLP]", "[LED]", "[CRT]", "[OLED]": the model reply picks one by index.
const std::vector<std::string>& DefaultDisplayTypeTags();

struct DecodeOptions {
    // Framing variant the reply was received under; below 0 means "the record's".
    int framingVariant = -1;
    const std::vector<std::string>* displayTypeTags = nullptr; // null: the default tags
};

// Decodes every frame of the reply into the record (or, for a frame from another display behind the
// same address, into that display's record). True when a frame carrying `code` as its reply command
// decoded. Under the compact framing variant the reply is one compact frame, decoded after it is
// rebuilt into a standard one; the result is then false. Reads no byte beyond `length`.
bool DecodeReply(const unsigned char* reply, int length, ILFDData* record, unsigned char code,
                 const DecodeOptions& options = {});

} // namespace zol::command
