#include "command/ReplyDecoder.h"

#include "ILFDData.h"
#include "Logger.h"
#include "WallDataLib.h"
#include "ZOLSystemHelper.h"
#include "command/DecoderRules.h"
#include "command/ReplyFrames.h"

namespace zol::command {

const std::vector<std::string>& DefaultDisplayTypeTags() {
    static const std::vector<std::string> tags{"[NON]", "[PDP]", "[LCD]", "[DLP]",
                                               "[LED]", "[CRT]", "[OLED]"};
    return tags;
}

namespace {

// State of one reply's decoding. The relay target a relay announcement names applies to the frame
// that follows it in the same reply, and to nothing else.
struct ReplyDecoding {
    ILFDData& record;
    int framingVariant;
    const std::vector<std::string>& tags;
    int pendingSubId = -1;
};

bool ChecksumHolds(const WorkFrame& frame) {
    const int n = frame.bytes[3];
    unsigned sum = 0;
    for (int i = 1; i <= n + 3; ++i) {
        sum += frame.bytes[static_cast<std::size_t>(i)];
    }
    return static_cast<unsigned char>(sum) == frame.bytes[static_cast<std::size_t>(n) + 4];
}

// The record of the display behind the record's address with this ID and relay target, or null.
ILFDData* FindSibling(ILFDData& record, int displayId, int relayTarget, bool& adapterFound) {
    adapterFound = false;
    IVWDataAdapterCollection* collection = IVWDataAdapterCollectionFactory::CreateInstance();
    if (collection == nullptr) {
        return nullptr;
    }
    std::string address;
    record.GetAddress(address);
    const std::wstring wideAddress = CZOLSystemHelper::StrToWStr(address);
    IVWDataAdapter* adapter = collection->GetAdapter(wideAddress.c_str());
    if (adapter == nullptr) {
        return nullptr;
    }
    adapterFound = true;
    IVWDisplayList* list = adapter->GetDisplayList();
    if (list == nullptr) {
        return nullptr;
    }
    ILFDData* found = nullptr;
    list->MoveFirst();
    while (found == nullptr && list->MoveNext()) {
        ILFDData* candidate = list->Current();
        if (candidate != nullptr && candidate->GetDisplayId() == displayId &&
            candidate->GetRelayTarget() == relayTarget) {
            found = candidate;
        }
    }
    list->Release();
    return found;
}

bool DecodeFrame(const WorkFrame& frame, ReplyDecoding& decoding) {
    const auto& b = frame.bytes;
    if (b[4] != kAck && b[4] != kNak) {
        return false;
    }
    if (b[4] == kNak) {
        if (b[5] == 0xC4) {
            decoding.record.SetC4Available(false);
        }
        return false;
    }
    if (!ChecksumHolds(frame)) {
        ZOL_LOG_DEBUG << "Reply frame for command " << static_cast<int>(b[5]) << " dropped: bad checksum";
        return false;
    }
    // A relay announcement names the relay target whose reply is the next frame.
    if (b[5] == 0xEE && b[6] == 0) {
        decoding.pendingSubId = b[10];
        return false;
    }
    ILFDData* target = &decoding.record;
    if (b[2] != decoding.record.GetDisplayId() || decoding.pendingSubId != decoding.record.GetRelayTarget()) {
        bool adapterFound = false;
        ILFDData* sibling = FindSibling(decoding.record, b[2], decoding.pendingSubId, adapterFound);
        if (adapterFound) {
            if (sibling == nullptr) {
                decoding.pendingSubId = -1;
                return false;
            }
            target = sibling;
        }
    }
    decoding.pendingSubId = -1;
    if (b[5] == 0xFF) {
        return true;
    }
    if (DecodeRule rule = FindDecodeRule(b[5])) {
        rule(FrameView{frame, *target, decoding.framingVariant, decoding.tags});
    }
    return true;
}

} // namespace

bool DecodeReply(const unsigned char* reply, int length, ILFDData* record, unsigned char code,
                 const DecodeOptions& options) {
    if (reply == nullptr || length <= 0 || record == nullptr) {
        return false;
    }
    const int framing = options.framingVariant >= 0 ? options.framingVariant : record->GetFramingVariant();
    ReplyDecoding decoding{*record, framing,
                           options.displayTypeTags != nullptr ? *options.displayTypeTags
                                                              : DefaultDisplayTypeTags()};
    if (framing == 1) {
        WorkFrame rebuilt;
        if (RebuildCompactReply(reply, length, static_cast<unsigned char>(record->GetDisplayId()), rebuilt)) {
            DecodeFrame(rebuilt, decoding);
        }
        return false;
    }
    bool decodedForCode = false;
    ForEachFrame(reply, length, [&](const WorkFrame& frame) {
        if (DecodeFrame(frame, decoding) && frame.bytes[5] == code) {
            decodedForCode = true;
        }
    });
    return decodedForCode;
}

} // namespace zol::command
