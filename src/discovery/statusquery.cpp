#include "discovery/statusquery.h"

#include <cstdio>
#include <cstring>

namespace torvane {

std::string AddressText(uint32_t network_order_address) {
    unsigned char bytes[4];
    std::memcpy(bytes, &network_order_address, sizeof bytes);
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", bytes[0], bytes[1], bytes[2], bytes[3]);
    return text;
}

}  // namespace torvane
