#include "protocol/PayloadRules.h"

#include <algorithm>
#include <initializer_list>

namespace zol::payload {

namespace {

bool OneOf(unsigned char value, std::initializer_list<unsigned char> values) {
    return std::find(values.begin(), values.end(), value) != values.end();
}

// All N bytes of the request, unchanged; no data gives a query.
bool CallerBytes(const Request& request, Plan& plan) {
    if (!request.HasData()) {
        plan.Query();
        return true;
    }
    return plan.PutData(request, 0, request.length) ||
           Refuse(plan, "fewer data bytes than the length announces");
}

bool OneByte(const Request& request, Plan& plan) {
    return plan.PutData(request, 0, 1) || Refuse(plan, "no data byte");
}

bool NoSubCode(Plan& plan) {
    return Refuse(plan, "no sub-code byte");
}

} // namespace

bool Plan::PutData(const Request& request, int first, int count) {
    if (count < 0 || first < 0 || first + count > request.Available() ||
        m_count + count > static_cast<int>(m_bytes.size())) {
        return false;
    }
    std::copy_n(request.data + first, count, m_bytes.begin() + m_count);
    m_count += count;
    return true;
}

// d0 chooses between three and seven bytes and is not written itself.
bool Rule5B(const Request& request, Plan& plan) {
    if (!request.Has(1)) {
        return NoSubCode(plan);
    }
    const int count = request.D(0) <= 1 ? 3 : 7;
    return plan.PutData(request, 1, count) || Refuse(plan, "fewer data bytes than the layout reads");
}

// d0 counts the bytes that follow it.
bool Rule63(const Request& request, Plan& plan) {
    if (!request.Has(1)) {
        return NoSubCode(plan);
    }
    return plan.PutData(request, 1, request.D(0)) || Refuse(plan, "fewer data bytes than d0 counts");
}

bool Rule21(const Request& request, Plan& plan) {
    return request.length < 2 ? OneByte(request, plan) : CallerBytes(request, plan);
}

// Goes to every display whatever the object's display ID, and nobody answers it.
bool RuleB9(const Request& request, Plan& plan) {
    plan.id = kAllDisplays;
    plan.awaitReply = false;
    return OneByte(request, plan);
}

// Sub-item 0x14 carries its value 15 higher on the wire.
bool RuleC0(const Request& request, Plan& plan) {
    if (request.length < 2) {
        return OneByte(request, plan);
    }
    if (!request.Has(2)) {
        return Refuse(plan, "fewer data bytes than the length announces");
    }
    const unsigned char item = request.D(0);
    const unsigned char value = item == 0x14 ? static_cast<unsigned char>(request.D(1) + 15) : request.D(1);
    plan.Put({item, value});
    return true;
}

bool RuleC6(const Request& request, Plan& plan) {
    if (request.length < 2) {
        return OneByte(request, plan);
    }
    return plan.PutData(request, 0, 2) || Refuse(plan, "fewer data bytes than the length announces");
}

bool RuleC7(const Request& request, Plan& plan) {
    return CallerBytes(request, plan);
}

bool Rule1B(const Request& request, Plan& plan) {
    if (!request.Has(1)) {
        return NoSubCode(plan);
    }
    const unsigned char sub = request.D(0);
    if (OneOf(sub, {0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x3C, 0x3D, 0x3E, 0x90, 0x95, 0x96, 0x97, 0x98, 0x50,
                    0x89})) {
        return CallerBytes(request, plan);
    }
    switch (sub) {
    case 0x81:
    case 0xA4:
        plan.Put(sub);
        return true;
    case 0x84:
        if (request.length >= 2) {
            return CallerBytes(request, plan);
        }
        plan.Put(sub);
        return true;
    case 0x91:
        plan.replyWaitMs = 1000;
        return plan.PutData(request, 0, 2) || Refuse(plan, "sub-code 0x91 needs its value byte");
    case 0x92:
        plan.pauseAfterMs = 300;
        plan.Put(sub);
        return true;
    case 0xA2:
        plan.Put(sub);
        return request.length < 2 || plan.PutData(request, 1, 3) ||
               Refuse(plan, "sub-code 0xA2 needs three value bytes");
    default:
        return Refuse(plan, "sub-code not listed for this command");
    }
}

// Only sub-code 0x82: alone, or followed by d1 counted bytes from d2 on (d1 itself not written).
bool Rule1C(const Request& request, Plan& plan) {
    if (!request.Has(1)) {
        return NoSubCode(plan);
    }
    if (request.D(0) != 0x82) {
        return Refuse(plan, "sub-code not listed for this command");
    }
    plan.Put(0x82);
    if (request.length < 2) {
        return true;
    }
    if (!request.Has(2)) {
        return Refuse(plan, "fewer data bytes than the length announces");
    }
    return plan.PutData(request, 2, request.D(1)) || Refuse(plan, "fewer data bytes than d1 counts");
}

// An unknown sub-code builds nothing: an empty write goes out and the reply is still awaited.
bool Rule8C(const Request& request, Plan& plan) {
    if (!request.Has(1)) {
        return NoSubCode(plan);
    }
    if (request.length == 1) {
        return OneByte(request, plan);
    }
    switch (request.D(0)) {
    case 0x82:
        return plan.PutData(request, 0, 2) || Refuse(plan, "sub-code 0x82 needs its value byte");
    case 0xA0:
        return plan.PutData(request, 0, 11) || Refuse(plan, "sub-code 0xA0 needs ten value bytes");
    default:
        plan.frame = Frame::Empty;
        return true;
    }
}

namespace {

bool SubCodeAndValue(const Request& request, Plan& plan, std::initializer_list<unsigned char> listed) {
    if (!request.Has(1)) {
        return NoSubCode(plan);
    }
    if (!OneOf(request.D(0), listed)) {
        return Refuse(plan, "sub-code not listed for this command");
    }
    if (request.length < 2) {
        return OneByte(request, plan);
    }
    return plan.PutData(request, 0, 2) || Refuse(plan, "fewer data bytes than the length announces");
}

} // namespace

bool RuleC8(const Request& request, Plan& plan) {
    return SubCodeAndValue(request, plan, {0x81, 0x82, 0x83, 0x85});
}

bool RuleCA(const Request& request, Plan& plan) {
    return SubCodeAndValue(request, plan, {0x81, 0x93, 0x94, 0x95, 0xB0});
}

// The LED product items: a get form (the item alone) or a set form (item and value), a few items that
// pass the caller's bytes, and long waits for the items that make the display work for a while.
bool RuleD0(const Request& request, Plan& plan) {
    if (!request.Has(1)) {
        return NoSubCode(plan);
    }
    const unsigned char item = request.D(0);
    if (OneOf(item, {0x54, 0x85, 0x86, 0x87, 0x89, 0x8E, 0x8F, 0x94, 0x95, 0x96, 0x98, 0x99,
                     0x9A, 0x9D, 0x9E, 0xA3, 0xA4, 0xA5, 0xB0, 0xB4, 0xC1, 0xC3, 0xC6})) {
        if (request.length != 2) {
            plan.Put(item);
            return true;
        }
        if (item == 0x99) {
            plan.replyWaitMs = 10000;
        } else if (item == 0x9A) {
            plan.replyWaitMs = 15000;
        }
        return plan.PutData(request, 0, 2) || Refuse(plan, "fewer data bytes than the length announces");
    }
    if (OneOf(item, {0x71, 0x8B, 0x8D, 0x9B, 0x9C, 0x9F, 0xA2, 0xB2})) {
        return CallerBytes(request, plan);
    }
    if (OneOf(item, {0x92, 0x97})) {
        if (request.Has(2) && request.D(1) == 0xFF) {
            plan.replyWaitMs = 10000;
        }
        return CallerBytes(request, plan);
    }
    if (item == 0xA0) {
        plan.replyWaitMs = 5000;
    }
    plan.Put(item);
    return true;
}

// The numbered bulk frame: every display, no reply, only for sub-code 0x90 (the object's, not a data byte).
bool RuleD1(const Request& request, Plan& plan) {
    if (request.subCode != 0x90) {
        return Refuse(plan, "bulk sub-code is not 0x90");
    }
    const int count = request.HasData() ? request.length : 0;
    if (count > request.Available()) {
        return Refuse(plan, "fewer data bytes than the length announces");
    }
    if (count > kMaxBulkData) {
        return Refuse(plan, "bulk payload longer than its length field holds");
    }
    plan.frame = Frame::Bulk;
    plan.id = kAllDisplays;
    plan.awaitReply = false;
    plan.subCode = request.subCode;
    plan.chunkIndex = static_cast<unsigned char>(request.chunkIndex);
    plan.chunkCount = static_cast<unsigned char>(request.chunkCount);
    plan.UseRequestData(request, count);
    return true;
}

// Always a long frame.
bool RuleD2(const Request& request, Plan& plan) {
    if (!request.Has(1)) {
        return NoSubCode(plan);
    }
    plan.frame = Frame::Long;
    const unsigned char sub = request.D(0);
    switch (sub) {
    case 0x32:
    case 0x43:
        plan.Put(sub);
        return true;
    case 0x60:
        plan.replyWaitMs = 18000;
        plan.Put(sub);
        return true;
    case 0x33:
        return CallerBytes(request, plan);
    case 0x40: {
        if (request.length < 3) {
            plan.Put(sub);
            if (!plan.PutData(request, 1, 1)) {
                return Refuse(plan, "sub-code 0x40 needs its value byte");
            }
            plan.Put({0x00, 0x00});
            return true;
        }
        // d1 d2 give the frame's length L; the data are 0x40 and the L-1 bytes from d3 on.
        const int total = (request.D(1) << 8) | request.D(2);
        if (total < 4 || total > kMaxLongData) {
            return Refuse(plan, "sub-code 0x40 length outside 4 to 2042");
        }
        plan.Put(sub);
        return plan.PutData(request, 3, total - 1) || Refuse(plan, "fewer data bytes than d1 d2 announce");
    }
    default:
        return Refuse(plan, "sub-code not listed for this command");
    }
}

unsigned char TranslateFESubCode(unsigned char subCode, int deviceClass, int modelCode) {
    if (deviceClass != 4 || modelCode == 116) {
        return subCode;
    }
    switch (subCode) {
    case 0x81:
        return 0x40;
    case 0x91:
        return 0x44;
    case 0xA1:
        return 0x48;
    case 0xB1:
        return 0x55;
    case 0xC1:
        return 0x56;
    case 0xD1:
        return 0x57;
    default:
        return subCode;
    }
}

bool RuleFE(const Request& request, Plan& plan) {
    if (!request.HasData()) {
        plan.Query();
        return true;
    }
    if (request.length == 1) {
        return OneByte(request, plan);
    }
    if (request.length == 3) {
        if (!CallerBytes(request, plan)) {
            return false;
        }
        if (request.D(0) == 0x52) {
            plan.replyWaitMs = 8000;
        }
        return true;
    }
    if (!request.Has(2)) {
        return Refuse(plan, "fewer data bytes than the length announces");
    }
    const unsigned char sub = TranslateFESubCode(request.D(0), request.deviceClass, request.modelCode);
    if (sub == 0x51) {
        plan.replyWaitMs = 8000;
    }
    plan.Put({sub, request.D(1)});
    return true;
}

} // namespace zol::payload
