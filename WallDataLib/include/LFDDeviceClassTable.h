#pragma once

/// \file
/// The table behind ILFDUtility::ClassifyDevice.
///
/// Rule: the device-type text is trimmed of spaces and of one pair of surrounding square brackets
/// ("[LED]" reads as "LED") and compared with the table's texts without regard to ASCII case. The first
/// entry whose text matches and whose model code matches (an entry made for model code -1 matches every
/// model code) gives the class. Nothing matching, a null or empty text: class 0.
///
/// Built-in entries, any model code:
///   "LCD" -> 1   "OLED" -> 1   "LED" -> 2   "HYBRID" -> 3
/// Class 2 marks displays whose 0xFE block carries a signed value; class 3 is the one a record may
/// override with its own class (ILFDData::GetClassOverride).
///
/// A host adds entries in front of the built-in ones, so its entries win. The table is process-wide and
/// guarded: classifying and changing it from several threads is safe.

#include "WallDataLibExport.h"

#include <string>

/// The process-wide device-class table; see the file description for the rule.
class WDL_API LFDDeviceClassTable {
public:
    /// The model code of an entry that matches every model code.
    static constexpr int kAnyModelCode = -1;

    /// Adds an entry in front of all others.
    static void Add(const std::wstring& deviceType, int deviceClass, int modelCode = kAnyModelCode);
    /// Back to the built-in entries alone.
    static void Reset();
    /// The class the first matching entry gives, 0 when none matches or the text is null or empty.
    static int Classify(int modelCode, const wchar_t* deviceType);
};
