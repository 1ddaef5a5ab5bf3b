#include "fleet/BlockingLane.h"

#include "CommunicationHelperExtended.h"
#include "ILFDData.h"
#include "LFDValueVisitor.h"
#include "Logger.h"
#include "command/CommandObject.h"
#include "exchange/BlockingDriver.h"
#include "helpers/OperationTable.h"
#include "protocol/ZOLCommand.h"

#include <chrono>

namespace zol::fleet {

BlockingLane::BlockingLane(EventLoop& loop, const std::vector<ILFDData*>& records,
                           const RunSettings& settings, const ZOLFleet::CancelToken* cancel)
    : m_loop(loop), m_records(records), m_settings(settings), m_cancel(cancel), m_thread([this] { Work(); }) {
}

BlockingLane::~BlockingLane() {
    {
        std::lock_guard guard(m_lock);
        m_stopping = true;
    }
    m_wakeUp.notify_all();
    m_thread.join();
}

void BlockingLane::Add(std::vector<std::size_t> indexes) {
    {
        std::lock_guard guard(m_lock);
        m_jobs.push_back(std::move(indexes));
    }
    m_wakeUp.notify_all();
}

std::vector<ZOLFleet::DisplayResult> BlockingLane::TakeResults() {
    std::lock_guard guard(m_lock);
    return std::exchange(m_results, {});
}

std::vector<ZOLFleet::DisplayResult> BlockingLane::Stop() {
    std::vector<ZOLFleet::DisplayResult> cancelled;
    std::lock_guard guard(m_lock);
    m_stopping = true;
    for (const std::vector<std::size_t>& job : m_jobs) {
        for (const std::size_t index : job) {
            ZOLFleet::DisplayResult result;
            result.record = m_records[index];
            result.index = index;
            result.error = ZOLFleet::ErrorKind::Cancelled;
            cancelled.push_back(std::move(result));
        }
    }
    m_jobs.clear();
    m_wakeUp.notify_all();
    return cancelled;
}

void BlockingLane::Work() {
    for (;;) {
        std::vector<std::size_t> job;
        {
            std::unique_lock guard(m_lock);
            m_wakeUp.wait(guard, [this] { return m_stopping || !m_jobs.empty(); });
            if (m_jobs.empty())
                return;
            job = std::move(m_jobs.front());
            m_jobs.pop_front();
        }
        for (std::size_t position = 0; position < job.size(); ++position) {
            const bool cancelled = m_cancel != nullptr && m_cancel->IsCancelled();
            ZOLFleet::DisplayResult result;
            if (cancelled) {
                result.record = m_records[job[position]];
                result.index = job[position];
                result.error = ZOLFleet::ErrorKind::Cancelled;
            } else {
                result = RunOne(job[position]);
            }
            {
                std::lock_guard guard(m_lock);
                m_results.push_back(std::move(result));
            }
            m_loop.Wake();
        }
    }
}

namespace {

struct HelperRelease {
    void operator()(ICommunicationHelperExtended* helper) const {
        if (helper != nullptr)
            helper->Release();
    }
};

// Notes whether any command an operation ran for this record was refused by the display.
class RefusalWatch final : public exchange::ExchangeWatch {
public:
    explicit RefusalWatch(ILFDData& record) : m_record(record) {}
    void OnExchangeDone(const exchange::CommandExchange& machine, ILFDData& record) override {
        if (&record == &m_record && IsNak(machine.LastReply(), record, machine.Code()))
            m_refused = true;
    }
    bool Refused() const { return m_refused; }

private:
    ILFDData& m_record;
    bool m_refused = false;
};

} // namespace

ZOLFleet::DisplayResult BlockingLane::RunOne(std::size_t index) {
    const auto started = std::chrono::steady_clock::now();
    const ZOLFleet::Command& command = *m_settings.command;
    ZOLFleet::DisplayResult result;
    ILFDData* record = m_records[index];
    result.record = record;
    result.index = index;
    LFDSnapshot before;
    if (m_settings.reportChanges)
        before = LFDValues::Snapshot(*record);
    bool nak = false;
    try {
        if (command.kind == ZOLFleet::Command::Kind::Operation) {
            const helpers::Operation* operation = helpers::FindOperation(command.operation);
            std::unique_ptr<ICommunicationHelperExtended, HelperRelease> helper(
                ICommunicationHelperExtendedFactory::CreateInstance(record));
            std::string error;
            const RefusalWatch refusals(*record);
            if (operation != nullptr && helper) {
                if (auto outcome = operation->invoke(*helper, command.arguments, &error)) {
                    result.status = static_cast<unsigned int>(outcome->result);
                    result.outs = outcome->outs;
                    if (operation->result == helpers::ResultKind::AckCode) {
                        nak = outcome->result == 2;
                        result.status = outcome->result == 1 ? 1 : 0;
                    } else if (operation->result != helpers::ResultKind::Status) {
                        result.status = 1; // a plain value: judged by the connection below
                    }
                }
            }
            if (result.status == 0 && refusals.Refused())
                nak = true;
        } else if (!record->IsCommunicationEnabled()) {
            if (command.code == 0x00) {
                record->SetResponding(false);
                record->SetPower(false);
            }
            result.status = 1;
        } else {
            CZOLCommand request;
            command::FillCommand(request, *record, command.code, static_cast<int>(command.data.size()),
                                 command.data.empty() ? nullptr : command.data.data());
            exchange::CommandExchange machine(*record, command.code, command.verify, m_settings.retries,
                                              m_settings.displayTypeTags);
            exchange::DriveBlocking(machine, *record, request, &result.connectStatus, {});
            nak = IsNak(machine.LastReply(), *record, command.code);
            result.status = machine.Finish();
        }
    } catch (...) {
        ZOL_LOG_WARN << "A fleet command was ended by an exception";
        result.status = 0;
    }
    std::string address;
    record->GetAddress(address);
    const ConnectTrace trace = TraceOfPooled(address);
    result.error = Classify(result.status, nak, result.connectStatus, trace);
    if (command.kind == ZOLFleet::Command::Kind::Operation && result.error == ZOLFleet::ErrorKind::Ok &&
        (trace.lastError != 0 || trace.outOfDescriptors))
        result.error = Classify(0, false, result.connectStatus, trace);
    if (m_settings.reportChanges)
        result.changed = LFDValues::Changed(before, LFDValues::Snapshot(*record));
    result.elapsed =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
    return result;
}

} // namespace zol::fleet
