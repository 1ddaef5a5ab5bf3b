// The wall page as built into zold: whatever index.html loads is embedded and served with its type, other
// paths are not served, and the page names no address outside zold.
#include "WebAssetTable.h"
#include "WebAssets.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

namespace {

std::vector<std::string> PathsLoadedBy(std::string_view html) {
    static const std::regex kReference(R"re((?:src|href)="([^"]*)")re");
    std::vector<std::string> paths;
    const std::string text(html);
    for (auto it = std::sregex_iterator(text.begin(), text.end(), kReference); it != std::sregex_iterator();
         ++it) {
        paths.push_back((*it)[1].str());
    }
    return paths;
}

TEST(WallPageAssets, EverythingThePageLoadsIsEmbeddedWithItsType) {
    const auto index = zold::FindWebAsset("/");
    ASSERT_TRUE(index);
    EXPECT_EQ(index->contentType, "text/html; charset=utf-8");
    const auto paths = PathsLoadedBy(index->body);
    ASSERT_EQ(paths.size(), 2U) << "the page loads its style sheet and its script";
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        const auto asset = zold::FindWebAsset(path);
        ASSERT_TRUE(asset);
        EXPECT_FALSE(asset->body.empty());
        EXPECT_EQ(asset->contentType,
                  path.ends_with(".js") ? "text/javascript; charset=utf-8" : "text/css; charset=utf-8");
    }
}

TEST(WallPageAssets, OnlyTheEmbeddedFilesAreServed) {
    const char* const refused[] = {"",
                                   "/missing.js",
                                   "/INDEX.HTML",
                                   "/../index.html",
                                   "//index.html",
                                   "/index.html/",
                                   "/api/v1/displays",
                                   "wall.js"};
    for (const char* path : refused) {
        EXPECT_FALSE(zold::FindWebAsset(path)) << path;
    }
    EXPECT_EQ(zold::FindWebAsset("/index.html")->body, zold::FindWebAsset("/")->body);
}

TEST(WallPageAssets, ThePageFetchesNothingFromElsewhere) {
    for (const zold::EmbeddedFile& file : zold::EmbeddedFiles()) {
        SCOPED_TRACE(std::string(file.path));
        EXPECT_EQ(file.body.find("http://"), std::string_view::npos);
        EXPECT_EQ(file.body.find("https://"), std::string_view::npos);
        EXPECT_EQ(file.body.find("@import"), std::string_view::npos);
    }
}

} // namespace
