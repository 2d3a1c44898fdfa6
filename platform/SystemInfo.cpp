#include "platform/SystemInfo.h"

#include <cstdlib>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace platform {
namespace {

bool SocketAnswers(const std::string& path)
{
    sockaddr_un address{};
    if (path.size() >= sizeof(address.sun_path))
        return false;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const bool connected =
        ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
    ::close(fd);
    return connected;
}

std::vector<std::string> SoundServerSockets()
{
    std::vector<std::string> runtimeDirs;
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime)
        runtimeDirs.emplace_back(runtime);
    runtimeDirs.push_back("/run/user/" + std::to_string(::getuid()));
    std::vector<std::string> sockets;
    if (const char* server = std::getenv("PULSE_SERVER"); server && *server) {
        std::string value = server;
        if (value.rfind("unix:", 0) == 0)
            value.erase(0, 5);
        sockets.push_back(value);
    }
    for (const auto& dir : runtimeDirs) {
        sockets.push_back(dir + "/pulse/native");
        sockets.push_back(dir + "/pipewire-0");
    }
    sockets.push_back("/var/run/pulse/native"); // a system-wide PulseAudio
    return sockets;
}

} // namespace

std::filesystem::path LinuxSystemInfo::ExecutableFolder() const
{
    std::error_code error;
    const auto executable = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::current_path() : executable.parent_path();
}

std::string LinuxSystemInfo::ProgramFilesDir() const
{
    return "/usr";
}

bool LinuxSystemInfo::DesktopSoundServerRunning() const
{
    for (const auto& socket : SoundServerSockets()) {
        if (SocketAnswers(socket))
            return true;
    }
    return false;
}

} // namespace platform
