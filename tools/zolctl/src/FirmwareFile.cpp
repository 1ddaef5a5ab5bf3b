#include "FirmwareFile.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace zolctl {

std::optional<std::string> FirmwareFileProblem(const std::string& path) {
    namespace fs = std::filesystem;
    const std::string quoted = "the firmware image \"" + path + "\"";
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (status.type() == fs::file_type::not_found) {
        return quoted + " does not exist";
    }
    if (error) {
        return quoted + " cannot be looked at: " + error.message();
    }
    if (fs::is_directory(status)) {
        return quoted + " is a directory, not a file";
    }
    // A device or a pipe has no size to upload, and reading one may wait for ever.
    if (!fs::is_regular_file(status)) {
        return quoted + " is not a regular file";
    }
    const std::ifstream in(path, std::ios::binary);
    if (!in) {
        return quoted + " cannot be read: " + std::strerror(errno);
    }
    const std::uintmax_t size = fs::file_size(path, error);
    if (error) {
        return quoted + " cannot be read: " + error.message();
    }
    if (size == 0) {
        return quoted + " is empty";
    }
    return std::nullopt;
}

} // namespace zolctl
