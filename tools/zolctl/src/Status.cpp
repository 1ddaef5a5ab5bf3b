// `status`: command 0x00 once, and every value its reply stored.

#include "Commands.h"
#include "Session.h"

#include "fleet/ChangeWatch.h"

namespace zolctl {

Outcome RunStatus(const Request& request) {
    constexpr unsigned char kStatusCode = 0x00;
    Outcome failure;
    std::optional<Session> session = OpenSession(request, kStatusCode, 0, failure);
    if (!session) {
        return failure;
    }
    // The watch tells the values the reply stored, whether or not they differ from the record's defaults.
    zol::fleet::ChangeWatch watch(*session->record);
    int connectStatus = session->connectStatus;
    unsigned result = 0;
    try {
        result = session->handler->Execute(&watch, kStatusCode, 0, nullptr, nullptr, &connectStatus, true);
        session->connectStatus = connectStatus;
    } catch (int) {
        result = 0;
    }
    Outcome outcome;
    outcome.exitCode = result != 0 ? kExitSuccess : kExitFailure;
    outcome.json["result"] = result;
    outcome.json["connectStatus"] = session->connectStatus;
    // Power and presence are always shown: null when nothing said what they are.
    outcome.json["values"] =
        StoredValues(LFDValues::Snapshot(*session->record), watch.Stored(), {"Power", "Responding"}, false);
    if (result == 0) {
        outcome.message = "no accepted reply from the display";
    }
    return outcome;
}

} // namespace zolctl
