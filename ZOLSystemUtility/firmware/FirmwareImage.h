#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace zol::firmware {

// A firmware image read block by block, so that a large image costs one block of memory.
class FirmwareImage {
public:
    static constexpr std::size_t kBlockSize = 64508;

    // Opens the file for binary reading; IsOpen tells whether that worked.
    explicit FirmwareImage(const std::string& path);

    bool IsOpen() const { return file_ != nullptr; }
    std::size_t Size() const { return size_; }
    // Number of blocks: size / block size, plus one for a remainder. An empty image has none.
    std::size_t BlockCount() const;
    // Length of block `index`: the remainder for the last of several blocks when there is one, the block
    // size otherwise, the whole size for a single block.
    std::size_t BlockLength(std::size_t index) const;
    // Reads block `index` (blocks are read in order) into `out`; false on a read error or short read.
    bool ReadBlock(std::size_t index, std::vector<unsigned char>& out);

private:
    struct FileCloser {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    std::unique_ptr<std::FILE, FileCloser> file_;
    std::size_t size_ = 0;
};

} // namespace zol::firmware
