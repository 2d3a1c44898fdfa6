#pragma once

#include <string>
#include <string_view>

namespace app {

// Form encoding of the provider's login: A-Z, a-z, 0-9 and ! $ ' ( ) * - . @ _ stay,
// a space becomes "+", every other byte becomes "%" and two upper-case hexadecimal
// digits. The bytes are the text in Windows-1252.
std::string UrlEncodeForm(std::string_view bytes);

} // namespace app
