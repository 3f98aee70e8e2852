// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <sys/types.h>

#include <string>

namespace torvane {

// The full path of the running program file, as the kernel reports it
// (/proc/self/exe); empty when it cannot be read.
std::string ProgramFileName();

// The same for the process `pid`.
std::string ProgramFileName(pid_t pid);

}  // namespace torvane
