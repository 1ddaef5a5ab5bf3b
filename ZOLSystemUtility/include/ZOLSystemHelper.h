#pragma once

/// \file
/// Small conversions the library and its hosts share: text encodings, byte packing, bytes as printable or
/// hexadecimal text, display-ID range lists, input-source codes and model-number names. Static members
/// only; no state, any thread.

#include "ZOLExport.h"

#include "WallDataLib.h"

#include <string>
#include <vector>

/// Shared conversions; see the file description.
class CZOLSystemHelper {
public:
    CZOLSystemHelper() = default;
    /// Nothing to copy: the class has no data.
    CZOLSystemHelper(const CZOLSystemHelper&) = default;
    /// Nothing to assign: the class has no data.
    ZOL_API CZOLSystemHelper& operator=(const CZOLSystemHelper& other);
    /// Nothing to assign: the class has no data.
    ZOL_API CZOLSystemHelper& operator=(CZOLSystemHelper&& other) noexcept;

    /// UTF-8 encoding of a wide text. Throws std::range_error for a surrogate or a value above 0x10FFFF.
    static ZOL_API std::string WStr2Str(const std::wstring& text);
    /// Widens each byte on its own into one wide character (no multibyte decoding: the texts are ASCII).
    static ZOL_API std::wstring StrToWStr(const std::string& text);

    /// Two-byte values travel high byte first: high = bits 8 to 15, low = bits 0 to 7.
    static ZOL_API void GetByteFromInt(int value, unsigned char& high, unsigned char& low);
    /// high x 256 + low.
    static ZOL_API int GetIntFromByte(unsigned char high, unsigned char low);
    /// Three bytes, high first: high x 65536 + middle x 256 + low.
    static ZOL_API int GetIntFromByte(unsigned char high, unsigned char middle, unsigned char low);

    /// The bytes that are printable (0x20 to 0x7E), in order; all others are dropped. A null pointer or a
    /// count of 0 or less gives an empty text.
    static ZOL_API std::string ConvertByteToAsciiString(const unsigned char* bytes, int count);
    /// ConvertByteToAsciiString as a wide text.
    static ZOL_API std::wstring ConvertByteToAsciiWString(const unsigned char* bytes, int count);
    /// Each byte as two lower-case hexadecimal digits, no separators.
    static ZOL_API std::wstring ConvertByteToHexString(const unsigned char* bytes, int count);
    /// A text of at most two characters read as hexadecimal up to the first non-digit; an empty or
    /// unreadable text, and any text of three characters or more, gives 0.
    static ZOL_API unsigned int HexStrToInt(std::string text);

    /// "first:last" pieces separated by ';' ("1:5;7:7;;x:3" gives (1,5) (7,7) (0,0) (0,3)). A part that
    /// is not plain decimal digits, is empty or does not fit in 32 bits reads as 0; a piece without a last
    /// part keeps the default-constructed last ID.
    static ZOL_API std::vector<SetIdRange> GetAlivedIdRangeFromDataString(std::string text);

    /// Host input-source number <-> the display's input-source code; unknown values pass unchanged.
    static ZOL_API int GetSourceHex(int source);
    /// The display's input-source code -> host input-source number; unknown values pass unchanged.
    static ZOL_API int GetSourceEnum(int code);

    /// The model name of a model number, or "UNKNOWN".
    static ZOL_API std::string GetStringFromModelNum(unsigned char model);
};
