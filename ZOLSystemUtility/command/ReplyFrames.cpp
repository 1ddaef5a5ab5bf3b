#include "command/ReplyFrames.h"

#include "ILFDData.h"
#include "protocol/Framing.h"

#include <algorithm>
#include <cstring>

namespace zol::command {

void WorkFrame::Load(const unsigned char* from, int count) {
    bytes.fill(0);
    length = std::clamp(count, 0, kMaxFrame);
    if (length > 0) {
        std::memcpy(bytes.data(), from, static_cast<std::size_t>(length));
    }
}

bool RebuildCompactReply(const unsigned char* reply, int length, unsigned char displayId, WorkFrame& out) {
    if (reply == nullptr || length <= 0) {
        return false;
    }
    out.bytes.fill(0);
    const std::size_t rebuilt = framing::RebuildStandardReply(reply, static_cast<std::size_t>(length),
                                                              displayId, out.bytes.data(), out.bytes.size());
    out.length = static_cast<int>(rebuilt);
    return rebuilt > 0;
}

namespace {

bool FrameMatches(const WorkFrame& frame, unsigned char displayId, unsigned char code) {
    const int commandAt = code == 0xD2 ? 6 : 5;
    return frame.bytes[2] == displayId && commandAt < frame.length &&
           frame.bytes[static_cast<std::size_t>(commandAt)] == code;
}

} // namespace

bool ReplyMatches(const unsigned char* reply, int length, ILFDData* record, unsigned char code) {
    if (reply == nullptr || length <= 0 || record == nullptr) {
        return false;
    }
    const auto displayId = static_cast<unsigned char>(record->GetDisplayId());
    if (record->GetFramingVariant() == 1) {
        // A compact reply carries no header and no ID; rebuilt, it is checked like any frame.
        WorkFrame rebuilt;
        return RebuildCompactReply(reply, length, displayId, rebuilt) &&
               FrameMatches(rebuilt, displayId, code);
    }
    bool matched = false;
    ForEachFrame(reply, length,
                 [&](const WorkFrame& frame) { matched = matched || FrameMatches(frame, displayId, code); });
    return matched;
}

} // namespace zol::command
