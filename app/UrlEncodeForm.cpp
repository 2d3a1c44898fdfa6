#include "app/UrlEncodeForm.h"

#include <string_view>

namespace app {

namespace {

bool KeptAsIs(unsigned char byte)
{
    constexpr std::string_view kept = "!$'()*-.@_";
    return (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
           (byte >= '0' && byte <= '9') || kept.find(static_cast<char>(byte)) != kept.npos;
}

} // namespace

std::string UrlEncodeForm(std::string_view bytes)
{
    constexpr std::string_view hex = "0123456789ABCDEF";
    std::string encoded;
    encoded.reserve(bytes.size() * 3);
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (KeptAsIs(byte)) {
            encoded += c;
        } else if (byte == ' ') {
            encoded += '+';
        } else {
            encoded += '%';
            encoded += hex[byte >> 4];
            encoded += hex[byte & 0x0F];
        }
    }
    return encoded;
}

} // namespace app
