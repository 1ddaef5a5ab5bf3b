#pragma once
// The web page of the wall as zold serves it: files built into the binary, looked up by request path.
#include <optional>
#include <string_view>

namespace zold {

struct WebAsset {
    std::string_view contentType; // e.g. "text/html; charset=utf-8", from the file's extension
    std::string_view body;
};

// The embedded file for a request path; "/" is "/index.html". Nothing for any other path.
std::optional<WebAsset> FindWebAsset(std::string_view path);

} // namespace zold
