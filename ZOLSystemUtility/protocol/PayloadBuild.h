#pragma once

// From a payload plan to the bytes of the packet, through the packet builder's generic members.

#include "protocol/PayloadTable.h"

class CZOLCommandBuilder;

namespace zol::payload {

// Builds a standard or long frame into the builder's packet. Returns the packet start, or null for a
// plan that is not such a frame (bulk, empty).
unsigned char* BuildPacket(const Plan& plan, CZOLCommandBuilder& builder);

// Builds the bulk frame. Returns the builder's bulk buffer, which belongs to the caller (release it with
// free after writing it), or null when it cannot be had.
unsigned char* BuildBulk(const Plan& plan, CZOLCommandBuilder& builder);

} // namespace zol::payload
