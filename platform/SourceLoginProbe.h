#pragma once

#include <string>

namespace platform {

struct IcecastTarget;

// The answer of an Icecast server to a source login.
struct SourceLoginAnswer {
    int status = 0;   // the HTTP status; 0 when the server did not answer
    std::string text; // the body of the answer ("Mountpoint in use")
};

// Tries the source login of `target` with a request of its own and returns the server's
// answer. libshout reports every refusal alike, while the server says why (401: the
// account was not accepted; 403 "Mountpoint in use": another source holds the mount).
// The connection is closed before any audio, so an accepted login ends at once.
SourceLoginAnswer ProbeSourceLogin(const IcecastTarget& target);

} // namespace platform
