#pragma once
// One HTTP exchange with the CalDAV server, as the sync engine sees it. The engine talks
// only to this interface, so that its rules run over recorded replies in tests.

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "storage/Exception.h"

struct TDavRequest {
    std::string Method;  // GET, PUT, DELETE, PROPFIND, REPORT, MKCALENDAR
    std::string Url;     // absolute
    std::vector<std::pair<std::string, std::string>> Headers;
    std::string Body;
};

struct TDavReply {
    int Status = 0;
    std::string Body;
    std::string ETag;            // the ETag header, quotes kept; empty when none was sent
    int RetryAfterSeconds = -1;  // the Retry-After header; -1 when none
};

// The exchange failed without an HTTP answer (no connection, TLS refused, timeout, a reply
// too large or not HTTP). The message is in the user's words.
class ESyncNetworkError : public Exception {
public:
    explicit ESyncNetworkError(std::string message, std::string untrustedFingerprint = {})
        : Exception(std::move(message)), FFingerprint(std::move(untrustedFingerprint)) {}
    // SHA-256 of a certificate that was refused ("AB:CD:..."); empty for other failures.
    const std::string& UntrustedFingerprint() const noexcept { return FFingerprint; }

private:
    std::string FFingerprint;
};

class TDavTransport {
public:
    virtual ~TDavTransport() = default;
    // Sends the request (credentials added by the transport) and returns the answer of any
    // status. Throws ESyncNetworkError when no answer came.
    virtual TDavReply Send(const TDavRequest& request) = 0;
};

// The largest reply body read; a longer one (or a Content-Length above it) fails.
constexpr std::size_t MaxDavReplyBytes = 32u << 20;
