#include "RefusalWatch.h"

#include "fleet/Outcome.h"

namespace zolctl {

void RefusalWatch::OnExchangeDone(const zol::exchange::CommandExchange& machine, ILFDData& record) {
    if (&record == &m_record && zol::fleet::IsNak(machine.LastReply(), record, machine.Code())) {
        m_refused = true;
    }
}

} // namespace zolctl
