#include "Token.h"

#include <openssl/crypto.h>
#include <openssl/sha.h>

#include <fstream>

#include <sys/stat.h>

namespace zold {

namespace {

std::array<unsigned char, 32> Digest(std::string_view text) {
    std::array<unsigned char, 32> digest{};
    static_assert(SHA256_DIGEST_LENGTH == 32);
    SHA256(reinterpret_cast<const unsigned char*>(text.data()), text.size(), digest.data());
    return digest;
}

std::string_view Trimmed(std::string_view text) {
    constexpr std::string_view kBlanks = " \t\r\n";
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

} // namespace

std::optional<BearerToken> BearerToken::FromFile(const std::string& path, std::string* error,
                                                 std::string* warning) {
    struct stat status {};
    if (::stat(path.c_str(), &status) == 0 && (status.st_mode & (S_IRGRP | S_IROTH)) != 0) {
        *warning = "the token file \"" + path + "\" may be read by others than its owner (chmod 600 it)";
    }
    std::ifstream file(path);
    std::string line;
    if (!file || !std::getline(file, line)) {
        *error = "the token file \"" + path + "\" cannot be read";
        return std::nullopt;
    }
    const std::string_view token = Trimmed(line);
    if (token.empty()) {
        *error = "the token file \"" + path + "\" holds no token on its first line";
        return std::nullopt;
    }
    BearerToken bearer = FromText(token);
    // The line held the token: leave no copy of it behind in this frame.
    OPENSSL_cleanse(line.data(), line.size());
    return bearer;
}

BearerToken BearerToken::FromText(std::string_view token) {
    BearerToken bearer;
    bearer.m_digest = Digest(token);
    return bearer;
}

bool BearerToken::Accepts(std::string_view header) const {
    constexpr std::string_view kScheme = "Bearer ";
    if (header.size() <= kScheme.size() || header.substr(0, kScheme.size()) != kScheme) {
        return false;
    }
    const std::array<unsigned char, 32> presented = Digest(Trimmed(header.substr(kScheme.size())));
    return CRYPTO_memcmp(presented.data(), m_digest.data(), m_digest.size()) == 0;
}

} // namespace zold
