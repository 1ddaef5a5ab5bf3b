#pragma once

// Execute reports a refusal (NAK) as it reports no reply at all: status 0. While a RefusalWatch lives,
// it looks at every exchange this thread finishes and remembers whether the display refused one of the
// record's commands.

#include "exchange/BlockingDriver.h"

class ILFDData;

namespace zolctl {

class RefusalWatch final : public zol::exchange::ExchangeWatch {
public:
    explicit RefusalWatch(ILFDData& record) : m_record(record) {}
    void OnExchangeDone(const zol::exchange::CommandExchange& machine, ILFDData& record) override;
    bool Refused() const { return m_refused; }

private:
    ILFDData& m_record;
    bool m_refused = false;
};

} // namespace zolctl
