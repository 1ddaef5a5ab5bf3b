#include "protocol/PayloadBuild.h"

#include "ZOLCommandBuilder.h"

namespace zol::payload {

unsigned char* BuildPacket(const Plan& plan, CZOLCommandBuilder& builder) {
    switch (plan.frame) {
    case Frame::Standard:
        return builder.MakeCallerBytes(plan.code, plan.id, plan.Count(), plan.Data());
    case Frame::Long:
        return builder.MakeLongCallerBytes(plan.code, plan.id, plan.Count(), plan.Data());
    case Frame::Bulk:
    case Frame::Empty:
        break;
    }
    builder.Clear();
    return nullptr;
}

unsigned char* BuildBulk(const Plan& plan, CZOLCommandBuilder& builder) {
    if (plan.frame != Frame::Bulk) {
        return nullptr;
    }
    return builder.MakeBulkPacket(plan.id, plan.subCode, plan.Data(), plan.Count(), plan.chunkIndex,
                                  plan.chunkCount);
}

} // namespace zol::payload
