#include "firmware/FirmwareImage.h"

#include <sys/stat.h>

namespace zol::firmware {

FirmwareImage::FirmwareImage(const std::string& path) {
    file_.reset(std::fopen(path.c_str(), "rb"));
    if (!file_) {
        return;
    }
    struct stat info {};
    if (fstat(fileno(file_.get()), &info) != 0 || !S_ISREG(info.st_mode)) {
        file_.reset();
        return;
    }
    size_ = static_cast<std::size_t>(info.st_size);
}

std::size_t FirmwareImage::BlockCount() const { return size_ / kBlockSize + (size_ % kBlockSize != 0 ? 1 : 0); }

std::size_t FirmwareImage::BlockLength(std::size_t index) const {
    const std::size_t count = BlockCount();
    if (count == 1) {
        return size_;
    }
    if (index + 1 == count && size_ % kBlockSize != 0) {
        return size_ % kBlockSize;
    }
    return kBlockSize;
}

bool FirmwareImage::ReadBlock(std::size_t index, std::vector<unsigned char>& out) {
    if (!file_ || index >= BlockCount()) {
        return false;
    }
    const std::size_t length = BlockLength(index);
    out.resize(length);
    if (std::fseek(file_.get(), static_cast<long>(index * kBlockSize), SEEK_SET) != 0) {
        return false;
    }
    return std::fread(out.data(), 1, length, file_.get()) == length;
}

} // namespace zol::firmware
