#include "WallDataLib.h"

SetIdRange::SetIdRange() : m_nFirstId(0), m_nLastId(0) {}
SetIdRange::SetIdRange(std::int32_t first, std::int32_t last) : m_nFirstId(first), m_nLastId(last) {}
