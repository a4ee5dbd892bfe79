#pragma once
// Finding the user's calendar collections from what they typed, and creating the memo
// collection: the server calls of the setup dialog and of "quillo-tool sync setup".

#include <string>

#include "sync/DavTransport.h"
#include "sync/MemoSync.h"

// url: a calendar collection (taken as it is), or a server root or principal, followed
// through /.well-known/caldav, current-user-principal and calendar-home-set to the
// calendars below the home set. Never throws: failures are in the result.
TSyncDiscovery DiscoverCollections(TDavTransport& transport, const std::string& url);
// MKCALENDAR below homeUrl of a collection for VJOURNAL named displayName; the new URL in
// CollectionUrl.
TSyncDiscovery CreateJournalCollection(TDavTransport& transport, const std::string& homeUrl,
                                       const std::string& displayName);
