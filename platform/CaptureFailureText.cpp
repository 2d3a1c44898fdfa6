#include "platform/CaptureFailureText.h"

#include <cerrno>
#include <initializer_list>

namespace platform {
namespace {

struct Advice {
    std::initializer_list<int> errors;
    const char* text;
};

// Kept short: the whole text, device name included, must fit the 255 characters
// an error text may have.
constexpr Advice kAdvice[] = {
    {{ENOENT, ENODEV, ENXIO, ECONNREFUSED, EHOSTDOWN},
     "No sound card or sound server answers for it: connect the card or start the sound "
     "server, then choose the card under \"Configurar\"."},
    {{EBUSY, EAGAIN},
     "Another program holds it: close that program or choose another card under "
     "\"Configurar\"."},
    {{EACCES, EPERM},
     "This user may not use sound devices: add the user to the \"audio\" group and log in "
     "again."},
    {{EIO, EPIPE, ESTRPIPE, ENOTCONN, ECONNRESET},
     "The card or the sound server stopped: capture resumes by itself once it is back."},
};

const char* AdviceFor(int error)
{
    for (const Advice& advice : kAdvice)
        for (int known : advice.errors)
            if (known == error)
                return advice.text;
    return "Check the card and the sound server.";
}

} // namespace

std::string CaptureFailureText(const std::string& deviceName, int error,
                               const std::string& systemText)
{
    return "Capture device \"" + deviceName + "\": " + systemText + ". " +
           AdviceFor(error < 0 ? -error : error);
}

} // namespace platform
