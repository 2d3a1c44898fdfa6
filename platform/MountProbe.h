#pragma once

#include <string>

namespace platform {

// Asks the Icecast server at host:port, as a listener would, whether a source is
// publishing on `mount` now (the server answers 200). False when it is not, or when the
// server does not answer within two seconds.
bool MountOnAir(const std::string& host, int port, const std::string& mount);

} // namespace platform
