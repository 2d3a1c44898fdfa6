#pragma once

#include <exception>
#include <stdexcept>
#include <string>

namespace platform {

// Base of every error the program raises on purpose. The class name is what the
// event log records as the action of an unhandled error, so each subclass keeps
// the name operators and support staff know it by.
class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message) : std::runtime_error(message) {}
    virtual const char* ClassName() const noexcept { return "Exception"; }
};

// Declares an error class whose ClassName() is its own C++ name.
#define SONAVIA_ERROR_CLASS(Name, Base)                                                            \
    class Name : public Base {                                                                     \
        using Inherited = Base; /* lets Base be a qualified name */                                \
                                                                                                   \
    public:                                                                                        \
        using Inherited::Inherited;                                                                \
        const char* ClassName() const noexcept override { return #Name; }                          \
    };

SONAVIA_ERROR_CLASS(EConvertError, Exception)
SONAVIA_ERROR_CLASS(EOutOfMemory, Exception)
SONAVIA_ERROR_CLASS(EOutOfResources, Exception)
SONAVIA_ERROR_CLASS(EIniFileException, Exception)
SONAVIA_ERROR_CLASS(EOSError, Exception)

// The name the event log shows for any exception, ours or the library's.
std::string ExceptionClassName(const std::exception& error);

// Parses a decimal integer the way a settings value is read; anything else
// raises EConvertError with "'<text>' is not a valid integer value".
int StrToInt(const std::string& text);

} // namespace platform
