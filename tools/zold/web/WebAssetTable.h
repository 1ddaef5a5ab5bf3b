#pragma once
// The files embedded from assets/, by path ("/index.html"); the generated WebAssetData.cpp defines them.
#include <string_view>
#include <vector>

namespace zold {

struct EmbeddedFile {
    std::string_view path;
    std::string_view body;
};

const std::vector<EmbeddedFile>& EmbeddedFiles();

} // namespace zold
