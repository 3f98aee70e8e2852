#include "platform/programpath.h"

#include <filesystem>
#include <system_error>

namespace torvane {

std::string ProgramFileName() {
    std::error_code error;
    auto path = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : path.string();
}

}  // namespace torvane
