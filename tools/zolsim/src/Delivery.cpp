#include "Delivery.h"

namespace zolsim {

DeliveryPlan PlanDelivery(const Outgoing& reply) {
    DeliveryPlan plan;
    const std::size_t size = reply.bytes.size();
    if (reply.close) {
        plan.steps[plan.count++] = DeliveryStep{reply.delayMs, true, false, 0, 0};
        return plan;
    }
    const std::size_t first = reply.splitAt > 0 && reply.splitAt < size ? reply.splitAt : size;
    plan.steps[plan.count++] = DeliveryStep{reply.delayMs, false, true, 0, first};
    if (first < size) {
        plan.steps[plan.count++] = DeliveryStep{reply.splitGapMs, false, false, first, size};
    }
    if (reply.twice) {
        plan.steps[plan.count++] = DeliveryStep{0, false, true, 0, size};
    }
    return plan;
}

} // namespace zolsim
