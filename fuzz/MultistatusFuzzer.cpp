// Reads any bytes as a WebDAV multistatus reply, as a server or anything between it and
// the calendar may send them. The reader must end cleanly whatever the bytes are, and what
// it returns must stay within its limits.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "sync/Multistatus.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view body(reinterpret_cast<const char*>(data), size);
    std::string error;
    const std::optional<TMultistatus> read = ReadMultistatus(body, &error);
    if (read) {
        if (read->Responses.size() > MaxDavResponses)
            std::abort();
        for (const TDavResponse& response : read->Responses)
            if (response.CalendarData.size() > MaxDavTextBytes * 4 ||
                DecodeHref(response.Href).size() > response.Href.size())
                std::abort();
    } else if (error.empty()) {
        std::abort();
    }
    IsInvalidSyncTokenError(body);
    return 0;
}
