#pragma once

// The bearer token that requests changing a display must carry. It is read from its file and kept only
// as its SHA-256 digest, so the service holds no copy of it to leak, and a presented token is compared
// digest to digest in constant time.

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace zold {

class BearerToken {
public:
    // Reads the file; its first line is the token (surrounding blanks removed). Nothing and *error when the
    // file cannot be read or holds no token; *warning when others than its owner may read it.
    static std::optional<BearerToken> FromFile(const std::string& path, std::string* error,
                                               std::string* warning);
    static BearerToken FromText(std::string_view token);

    // `header` is the whole Authorization header value: "Bearer TOKEN".
    bool Accepts(std::string_view header) const;

private:
    std::array<unsigned char, 32> m_digest{};
};

} // namespace zold
