#pragma once
// Finding the user's calendar collections from what they typed, and creating the memo
// collection: the server calls of the setup dialog and of "quillo-tool sync setup".

#include <string>
#include <vector>

#include "sync/DavTransport.h"

// A collection on the server.
struct TSyncCollection {
    std::string Url;
    std::string DisplayName;
    bool AcceptsJournals = false;  // VJOURNAL in its component set (or no set given)
};
// What checking a server found.
struct TSyncDiscovery {
    bool Ok = false;
    std::string Error;                 // in plain Japanese
    bool PasswordRefused = false;      // 401/403
    std::string UntrustedFingerprint;  // a certificate refused; pin it to trust it
    std::string HomeUrl;               // the calendar home set, where new collections go
    std::string CollectionUrl;         // the URL itself when it names a calendar collection
    std::vector<TSyncCollection> Collections;
};

// url: a calendar collection (taken as it is), or a server root or principal, followed
// through /.well-known/caldav, current-user-principal and calendar-home-set to the
// calendars below the home set. Never throws: failures are in the result.
TSyncDiscovery DiscoverCollections(TDavTransport& transport, const std::string& url);
// MKCALENDAR below homeUrl of a collection for VJOURNAL named displayName; the new URL in
// CollectionUrl.
TSyncDiscovery CreateJournalCollection(TDavTransport& transport, const std::string& homeUrl,
                                       const std::string& displayName);
