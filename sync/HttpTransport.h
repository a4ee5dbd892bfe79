#pragma once
// TDavTransport over Qt Network, for the thread that creates it (it runs a local event
// loop per request, so it belongs on a worker thread or in a command-line program).
//
// - Basic authentication is sent with every request (no 401 round trip, no retry that
//   could lock the account).
// - HTTPS is checked against the system's certificate store; a certificate it refuses is
//   accepted only when its SHA-256 fingerprint is the pinned one; else the failure carries
//   the fingerprint. Plain HTTP is allowed only to a loopback address.
// - Redirects are followed (at most 5) with the same method, never from HTTPS to HTTP.
// - A reply is read up to MaxDavReplyBytes; a larger Content-Length fails at once; a request
//   that takes longer than the timeout in all, or a cancel, aborts it.

#include <atomic>
#include <memory>
#include <string>

#include "sync/DavTransport.h"

class QNetworkAccessManager;

class THttpTransport : public TDavTransport {
public:
    THttpTransport(std::string userName, std::string password, std::string pinnedFingerprint, int timeoutSeconds,
                   std::shared_ptr<std::atomic<bool>> cancel = {});
    ~THttpTransport() override;
    TDavReply Send(const TDavRequest& request) override;

private:
    TDavReply SendOnce(const TDavRequest& request, std::string& redirect);

    std::string FAuthorization;
    std::string FPinnedFingerprint;
    int FTimeoutSeconds;
    std::shared_ptr<std::atomic<bool>> FCancel;
    std::unique_ptr<QNetworkAccessManager> FManager;
};

// Whether url may be used: https, or http to a loopback address. reason receives why not.
bool IsAllowedServerUrl(const std::string& url, std::string* reason = nullptr);
