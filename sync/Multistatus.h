#pragma once
// Reading a WebDAV multistatus reply (RFC 4918 §13, with the CalDAV and sync-collection
// properties this client asks for) and the property answers of PROPFIND.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One <response>: an href with the properties that came back with status 200.
struct TDavResponse {
    std::string Href;                     // as sent, percent-encoding kept
    int Status = 200;                     // the response's own <status> (404: removed, sync-collection)
    std::string ETag;                     // getetag, quotes kept
    std::string CalendarData;             // calendar-data (calendar-multiget)
    std::string DisplayName;              // displayname
    std::string CTag;                     // getctag (calendarserver)
    std::string SyncToken;                // sync-token property (PROPFIND)
    std::string Principal;                // current-user-principal/href
    std::string CalendarHome;             // calendar-home-set/href
    bool IsCollection = false;            // resourcetype/collection
    bool IsCalendar = false;              // resourcetype/calendar
    bool HasComponentSet = false;         // supported-calendar-component-set was sent
    bool AcceptsJournals = false;         // ... and names VJOURNAL
    bool SupportsSyncCollection = false;  // supported-report-set names sync-collection
};

struct TMultistatus {
    std::vector<TDavResponse> Responses;
    std::string SyncToken;  // the top-level sync-token of a sync-collection reply
};

// Limits that keep a hostile reply from growing memory: more responses or a longer text
// than these is refused.
constexpr std::size_t MaxDavResponses = 100000;
constexpr std::size_t MaxDavTextBytes = 4u << 20;

// Parses body. Returns nothing when it is not a well-formed multistatus document within
// the limits; error (when given) receives why.
std::optional<TMultistatus> ReadMultistatus(std::string_view body, std::string* error = nullptr);

// Whether the body of a 403/409 answer names the precondition valid-sync-token (RFC 6578):
// the server forgot the token and wants a full listing.
bool IsInvalidSyncTokenError(std::string_view body);

// href with its percent-encoding decoded ("%E3%81%82" → "あ"); invalid escapes stay.
std::string DecodeHref(std::string_view href);
