#include "WebAssets.h"

#include "WebAssetTable.h"

#include <array>
#include <utility>

namespace zold {

namespace {

std::string_view ContentTypeOf(std::string_view path) {
    static constexpr std::array<std::pair<std::string_view, std::string_view>, 5> kTypes = {{
        {".html", "text/html; charset=utf-8"},
        {".css", "text/css; charset=utf-8"},
        {".js", "text/javascript; charset=utf-8"},
        {".svg", "image/svg+xml"},
        {".png", "image/png"},
    }};
    for (const auto& [extension, type] : kTypes) {
        if (path.ends_with(extension)) {
            return type;
        }
    }
    return "application/octet-stream";
}

} // namespace

std::optional<WebAsset> FindWebAsset(std::string_view path) {
    if (path == "/") {
        path = "/index.html";
    }
    for (const EmbeddedFile& file : EmbeddedFiles()) {
        if (file.path == path) {
            return WebAsset{ContentTypeOf(path), file.body};
        }
    }
    return std::nullopt;
}

} // namespace zold
