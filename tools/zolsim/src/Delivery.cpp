#include "Delivery.h"

namespace zolsim {

DeliveryPlan PlanDelivery(const Outgoing& reply) {
    DeliveryPlan plan;
    const std::size_t size = reply.bytes.size();
    const bool cut = reply.splitAt > 0 && reply.splitAt < size;
    if (reply.close) {
        if (cut) {
            plan.push_back(DeliveryStep{reply.delayMs, false, true, 0, reply.splitAt});
        }
        plan.push_back(DeliveryStep{cut ? reply.splitGapMs : reply.delayMs, true, false, 0, 0});
        return plan;
    }
    if (reply.trickleMs > 0 && size > 0) {
        plan.reserve(size);
        for (std::size_t i = 0; i < size; ++i) {
            const int wait = reply.trickleMs + (i == 0 ? reply.delayMs : 0);
            plan.push_back(DeliveryStep{wait, false, i == 0, i, i + 1});
        }
        return plan;
    }
    const std::size_t first = cut ? reply.splitAt : size;
    plan.push_back(DeliveryStep{reply.delayMs, false, true, 0, first});
    if (first < size) {
        plan.push_back(DeliveryStep{reply.splitGapMs, false, false, first, size});
    }
    if (reply.twice) {
        plan.push_back(DeliveryStep{0, false, true, 0, size});
    }
    return plan;
}

} // namespace zolsim
