// SPDX-License-Identifier: GPL-2.0-or-later
#include "settings/registry.h"

namespace torvane {

ERegistryException ERegistryException::GetDataFailed(const std::string& name) {
    return ERegistryException("Failed to get data for '" + name + "'");
}

ERegistryException ERegistryException::InvalidDataType(const std::string& name) {
    return ERegistryException("Invalid data type for '" + name + "'");
}

ERegistryException ERegistryException::SetDataFailed(const std::string& name) {
    return ERegistryException("Failed to set data for '" + name + "'");
}

}  // namespace torvane
