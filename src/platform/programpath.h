#pragma once

#include <string>

namespace torvane {

// The full path of the running program file, as the kernel reports it
// (/proc/self/exe); empty when it cannot be read.
std::string ProgramFileName();

}  // namespace torvane
