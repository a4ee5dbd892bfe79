#include "sync/Discovery.h"

#include <QUrl>
#include <QUuid>
#include <optional>

#include "sync/Multistatus.h"

namespace {

constexpr const char* XmlType = "application/xml; charset=utf-8";
constexpr const char* ProbeBody = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                                  "<d:propfind xmlns:d=\"DAV:\" xmlns:c=\"urn:ietf:params:xml:ns:caldav\"><d:prop>"
                                  "<d:resourcetype/><d:displayname/><d:current-user-principal/><c:calendar-home-set/>"
                                  "<c:supported-calendar-component-set/></d:prop></d:propfind>";

std::string Resolve(const std::string& base, const std::string& href) {
    return QUrl(QString::fromStdString(base)).resolved(QUrl(QString::fromStdString(href))).toString().toStdString();
}

std::string WithSlash(std::string url) {
    if (!url.empty() && url.back() != '/')
        url += '/';
    return url;
}

std::string EscapeXml(const std::string& text) {
    std::string result;
    for (char c : text) {
        if (c == '&')
            result += "&amp;";
        else if (c == '<')
            result += "&lt;";
        else if (c == '>')
            result += "&gt;";
        else
            result += c;
    }
    return result;
}

// A PROPFIND whose failure ends the discovery with words for the user.
struct TFailed {
    TSyncDiscovery Result;
};

TMultistatus Propfind(TDavTransport& transport, const std::string& url, const char* depth) {
    const TDavReply reply = transport.Send({"PROPFIND", url, {{"Depth", depth}, {"Content-Type", XmlType}}, ProbeBody});
    TSyncDiscovery failed;
    if (reply.Status == 401 || reply.Status == 403) {
        failed.PasswordRefused = true;
        failed.Error = "サーバーがユーザー名かパスワードを受け付けません (HTTP " + std::to_string(reply.Status) + ")";
        throw TFailed{failed};
    }
    if (reply.Status != 207) {
        failed.Error = "CalDAV サーバーではないようです: " + url + " (HTTP " + std::to_string(reply.Status) + ")";
        throw TFailed{failed};
    }
    std::string reason;
    std::optional<TMultistatus> multistatus = ReadMultistatus(reply.Body, &reason);
    if (!multistatus) {
        failed.Error = "サーバーの応答を読めません: " + reason;
        throw TFailed{failed};
    }
    return std::move(*multistatus);
}

TSyncCollection CollectionOf(const std::string& base, const TDavResponse& response) {
    TSyncCollection collection;
    collection.Url = WithSlash(Resolve(base, response.Href));
    collection.DisplayName = response.DisplayName;
    collection.AcceptsJournals = !response.HasComponentSet || response.AcceptsJournals;
    return collection;
}

template <typename Work>
TSyncDiscovery Guarded(Work work) {
    try {
        return work();
    } catch (const TFailed& failed) {
        return failed.Result;
    } catch (const ESyncNetworkError& error) {
        TSyncDiscovery result;
        result.Error = error.Message();
        result.UntrustedFingerprint = error.UntrustedFingerprint();
        return result;
    }
}

}  // namespace

TSyncDiscovery DiscoverCollections(TDavTransport& transport, const std::string& url) {
    return Guarded([&] {
        TSyncDiscovery result;
        TMultistatus first = Propfind(transport, url, "0");
        std::string principal;
        if (!first.Responses.empty()) {
            const TDavResponse& self = first.Responses.front();
            if (self.IsCalendar) {
                result.Ok = true;
                result.CollectionUrl = WithSlash(url);
                result.Collections.push_back(CollectionOf(url, self));
                result.Collections.back().Url = result.CollectionUrl;
                return result;
            }
            if (!self.Principal.empty())
                principal = Resolve(url, self.Principal);
            if (!self.CalendarHome.empty())
                result.HomeUrl = Resolve(url, self.CalendarHome);
        }
        if (principal.empty() && result.HomeUrl.empty()) {
            const std::string wellKnown = Resolve(url, "/.well-known/caldav");
            TMultistatus known = Propfind(transport, wellKnown, "0");
            if (!known.Responses.empty() && !known.Responses.front().Principal.empty())
                principal = Resolve(wellKnown, known.Responses.front().Principal);
        }
        if (result.HomeUrl.empty()) {
            if (principal.empty()) {
                result.Error = "サーバーにカレンダーが見つかりません: " + url;
                return result;
            }
            TMultistatus owner = Propfind(transport, principal, "0");
            if (!owner.Responses.empty() && !owner.Responses.front().CalendarHome.empty())
                result.HomeUrl = Resolve(principal, owner.Responses.front().CalendarHome);
            if (result.HomeUrl.empty()) {
                result.Error = "サーバーにカレンダーの置き場所が見つかりません: " + principal;
                return result;
            }
        }
        result.HomeUrl = WithSlash(result.HomeUrl);
        const TMultistatus home = Propfind(transport, result.HomeUrl, "1");
        for (const TDavResponse& response : home.Responses)
            if (response.IsCalendar)
                result.Collections.push_back(CollectionOf(result.HomeUrl, response));
        result.Ok = true;
        return result;
    });
}

TSyncDiscovery CreateJournalCollection(TDavTransport& transport, const std::string& homeUrl,
                                       const std::string& displayName) {
    return Guarded([&] {
        TSyncDiscovery result;
        const std::string name = "quillo-" + QUuid::createUuid().toString(QUuid::WithoutBraces).toStdString() + "/";
        const std::string url = WithSlash(homeUrl) + name;
        // VJOURNAL named explicitly: some servers refuse journals in a calendar made without it.
        const std::string body =
            "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
            "<c:mkcalendar xmlns:d=\"DAV:\" xmlns:c=\"urn:ietf:params:xml:ns:caldav\"><d:set><d:prop>"
            "<d:displayname>" +
            EscapeXml(displayName) +
            "</d:displayname><c:supported-calendar-component-set><c:comp name=\"VJOURNAL\"/>"
            "</c:supported-calendar-component-set></d:prop></d:set></c:mkcalendar>";
        const TDavReply reply = transport.Send({"MKCALENDAR", url, {{"Content-Type", XmlType}}, body});
        if (reply.Status == 401 || reply.Status == 403) {
            result.PasswordRefused = reply.Status == 401;
            result.Error = "サーバーがカレンダーの作成を受け付けません (HTTP " + std::to_string(reply.Status) + ")";
            return result;
        }
        if (reply.Status != 201 && reply.Status != 200) {
            result.Error = "カレンダーを作成できません (HTTP " + std::to_string(reply.Status) + ")";
            return result;
        }
        result.Ok = true;
        result.HomeUrl = WithSlash(homeUrl);
        result.CollectionUrl = url;
        result.Collections.push_back({url, displayName, true});
        return result;
    });
}
