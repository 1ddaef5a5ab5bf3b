#include "Download.h"

#include "Session.h"

#include "CommunicationHelperExtended.h"

#include "util/Utf8.h"

#include <memory>
#include <optional>
#include <string>

namespace zolctl {

namespace {

constexpr int kOfferFileCode = 0xD0;

struct HelperRelease {
    void operator()(ICommunicationHelperExtended* helper) const {
        if (helper != nullptr) {
            helper->Release();
        }
    }
};

} // namespace

Outcome RunDownload(const Request& request) {
    // The library takes the path as a wide text and writes the file under its UTF-8 name.
    const std::optional<std::wstring> widePath = zol::util::DecodeUtf8(request.outputFile);
    if (!widePath) {
        return UsageOutcome("the name \"" + request.outputFile + "\" is not UTF-8");
    }
    Outcome failure;
    std::optional<Session> session = OpenSession(request, kOfferFileCode, false, failure);
    if (!session) {
        return failure;
    }
    std::unique_ptr<ICommunicationHelperExtended, HelperRelease> helper(
        ICommunicationHelperExtendedFactory::CreateInstance(session->record.get()));
    bool result = false;
    if (helper) {
        try {
            result = helper->DownloadFileOverTls(*widePath);
        } catch (int) {
            result = false; // the handler's cancellation, which zolctl never asks for
        }
    }
    Outcome outcome;
    outcome.exitCode = result ? kExitSuccess : kExitFailure;
    outcome.json["result"] = result;
    outcome.json["connectStatus"] = session->connectStatus;
    if (!result) {
        outcome.message = "the file could not be downloaded from " + request.target.host +
                          " (refused, nothing on port 2020, or " + request.outputFile + " not writable)";
    }
    return outcome;
}

} // namespace zolctl
