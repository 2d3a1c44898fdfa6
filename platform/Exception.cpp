#include "platform/Exception.h"

#include <charconv>
#include <cxxabi.h>
#include <filesystem>
#include <ios>
#include <memory>
#include <new>
#include <typeinfo>

namespace platform {

std::string ExceptionClassName(const std::exception& error)
{
    if (const auto* own = dynamic_cast<const Exception*>(&error))
        return own->ClassName();
    if (dynamic_cast<const std::bad_alloc*>(&error))
        return "EOutOfMemory";
    // The library's own stream and file-system errors are input/output errors.
    if (dynamic_cast<const std::ios_base::failure*>(&error) ||
        dynamic_cast<const std::filesystem::filesystem_error*>(&error))
        return "EInOutError";
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> demangled(
        abi::__cxa_demangle(typeid(error).name(), nullptr, nullptr, &status), std::free);
    return status == 0 && demangled ? demangled.get() : typeid(error).name();
}

int StrToInt(const std::string& text)
{
    // Leading and trailing blanks are tolerated, as the settings reader of old did.
    const auto first = text.find_first_not_of(' ');
    const auto last = text.find_last_not_of(' ');
    if (first != std::string::npos) {
        const char* begin = text.data() + first;
        const char* end = text.data() + last + 1;
        if (*begin == '+')
            ++begin;
        int value = 0;
        const auto [stop, error] = std::from_chars(begin, end, value);
        if (error == std::errc() && stop == end && begin != end)
            return value;
    }
    throw EConvertError("'" + text + "' is not a valid integer value");
}

} // namespace platform
