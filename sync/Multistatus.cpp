#include "sync/Multistatus.h"

#include <QByteArray>
#include <QXmlStreamReader>

#include "storage/TextUtils.h"

namespace {

const QString Dav = QStringLiteral("DAV:");
const QString CalDav = QStringLiteral("urn:ietf:params:xml:ns:caldav");
const QString CalendarServer = QStringLiteral("http://calendarserver.org/ns/");

bool Is(const QXmlStreamReader& xml, const QString& ns, const char* name) {
    return xml.namespaceUri() == ns && xml.name() == QLatin1String(name);
}

class TReader {
public:
    explicit TReader(std::string_view body)
        : FXml(QByteArray::fromRawData(body.data(), static_cast<qsizetype>(body.size()))) {}

    std::optional<TMultistatus> Read(std::string* error) {
        TMultistatus result;
        if (!FXml.readNextStartElement() || !Is(FXml, Dav, "multistatus"))
            return Fail(error, "no multistatus element");
        // '<multistatus>'
        while (!FFailed && FXml.readNextStartElement()) {
            if (Is(FXml, Dav, "response")) {
                if (result.Responses.size() >= MaxDavResponses)
                    return Fail(error, "too many responses");
                result.Responses.push_back(ReadResponse());
            } else if (Is(FXml, Dav, "sync-token")) {
                result.SyncToken = Text();
            } else {
                FXml.skipCurrentElement();
            }
        }
        if (FFailed)
            return Fail(error, FReason);
        if (FXml.hasError())
            return Fail(error, FXml.errorString().toStdString());
        return result;
    }

private:
    std::optional<TMultistatus> Fail(std::string* error, const std::string& reason) {
        if (error)
            *error = reason;
        return std::nullopt;
    }

    // The text of the current element (child elements skipped), within MaxDavTextBytes.
    std::string Text() {
        const QString text = FXml.readElementText(QXmlStreamReader::SkipChildElements);
        if (static_cast<std::size_t>(text.size()) > MaxDavTextBytes) {
            FFailed = true;
            FReason = "text too long";
            return {};
        }
        return text.toStdString();
    }

    static int StatusOf(const std::string& line) {
        // "HTTP/1.1 404 Not Found"
        const std::size_t space = line.find(' ');
        if (space == std::string::npos)
            return 0;
        int status = 0;
        for (std::size_t i = space + 1; i < line.size() && i < space + 4; ++i) {
            if (line[i] < '0' || line[i] > '9')
                return 0;
            status = status * 10 + (line[i] - '0');
        }
        return status;
    }

    // The href inside the current element ('<current-user-principal>').
    std::string InnerHref() {
        std::string href;
        while (FXml.readNextStartElement()) {
            if (Is(FXml, Dav, "href") && href.empty())
                href = Text();
            else
                FXml.skipCurrentElement();
        }
        return href;
    }

    TDavResponse ReadResponse() {
        TDavResponse response;
        // '<response>'
        while (FXml.readNextStartElement()) {
            if (Is(FXml, Dav, "href")) {
                response.Href = Text();
            } else if (Is(FXml, Dav, "status")) {
                response.Status = StatusOf(Text());
            } else if (Is(FXml, Dav, "propstat")) {
                ReadPropstat(response);
            } else {
                FXml.skipCurrentElement();
            }
        }
        return response;
    }

    void ReadPropstat(TDavResponse& response) {
        TDavResponse found;
        int status = 200;
        // '<propstat>'
        while (FXml.readNextStartElement()) {
            if (Is(FXml, Dav, "prop"))
                ReadProp(found);
            else if (Is(FXml, Dav, "status"))
                status = StatusOf(Text());
            else
                FXml.skipCurrentElement();
        }
        if (status < 200 || status > 299)
            return;
        auto take = [](std::string& to, std::string& from) {
            if (!from.empty())
                to = std::move(from);
        };
        take(response.ETag, found.ETag);
        take(response.CalendarData, found.CalendarData);
        take(response.DisplayName, found.DisplayName);
        take(response.CTag, found.CTag);
        take(response.SyncToken, found.SyncToken);
        take(response.Principal, found.Principal);
        take(response.CalendarHome, found.CalendarHome);
        response.IsCollection |= found.IsCollection;
        response.IsCalendar |= found.IsCalendar;
        response.HasComponentSet |= found.HasComponentSet;
        response.AcceptsJournals |= found.AcceptsJournals;
        response.SupportsSyncCollection |= found.SupportsSyncCollection;
    }

    void ReadProp(TDavResponse& found) {
        // '<prop>'
        while (FXml.readNextStartElement()) {
            if (Is(FXml, Dav, "getetag")) {
                found.ETag = Text();
            } else if (Is(FXml, CalDav, "calendar-data")) {
                found.CalendarData = Text();
            } else if (Is(FXml, Dav, "displayname")) {
                found.DisplayName = Text();
            } else if (Is(FXml, CalendarServer, "getctag")) {
                found.CTag = Text();
            } else if (Is(FXml, Dav, "sync-token")) {
                found.SyncToken = Text();
            } else if (Is(FXml, Dav, "current-user-principal")) {
                found.Principal = InnerHref();
            } else if (Is(FXml, CalDav, "calendar-home-set")) {
                found.CalendarHome = InnerHref();
            } else if (Is(FXml, Dav, "resourcetype")) {
                ReadResourceType(found);
            } else if (Is(FXml, CalDav, "supported-calendar-component-set")) {
                ReadComponentSet(found);
            } else if (Is(FXml, Dav, "supported-report-set")) {
                ReadReportSet(found);
            } else {
                FXml.skipCurrentElement();
            }
        }
    }

    void ReadResourceType(TDavResponse& found) {
        // '<resourcetype>'
        while (FXml.readNextStartElement()) {
            if (Is(FXml, Dav, "collection"))
                found.IsCollection = true;
            else if (Is(FXml, CalDav, "calendar"))
                found.IsCalendar = true;
            FXml.skipCurrentElement();
        }
    }

    void ReadComponentSet(TDavResponse& found) {
        found.HasComponentSet = true;
        // '<supported-calendar-component-set>'
        while (FXml.readNextStartElement()) {
            if (Is(FXml, CalDav, "comp") && FXml.attributes()
                                                    .value(QStringLiteral("name"))
                                                    .compare(QLatin1String("VJOURNAL"), Qt::CaseInsensitive) == 0)
                found.AcceptsJournals = true;
            FXml.skipCurrentElement();
        }
    }

    void ReadReportSet(TDavResponse& found) {
        // '<supported-report-set>', '<supported-report>', '<report>': any depth below
        int depth = 1;
        while (depth > 0 && !FXml.atEnd()) {
            const QXmlStreamReader::TokenType token = FXml.readNext();
            if (token == QXmlStreamReader::StartElement) {
                ++depth;
                if (Is(FXml, Dav, "sync-collection"))
                    found.SupportsSyncCollection = true;
            } else if (token == QXmlStreamReader::EndElement) {
                --depth;
            }
        }
    }

    QXmlStreamReader FXml;
    bool FFailed = false;
    std::string FReason;
};

}  // namespace

std::optional<TMultistatus> ReadMultistatus(std::string_view body, std::string* error) {
    return TReader(body).Read(error);
}

bool IsInvalidSyncTokenError(std::string_view body) {
    QXmlStreamReader xml(QByteArray::fromRawData(body.data(), static_cast<qsizetype>(body.size())));
    while (!xml.atEnd() && !xml.hasError()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && Is(xml, Dav, "valid-sync-token"))
            return true;
    }
    return false;
}

std::string DecodeHref(std::string_view href) {
    std::string result;
    result.reserve(href.size());
    for (std::size_t i = 0; i < href.size(); ++i) {
        if (href[i] == '%' && i + 2 < href.size() && HexDigit(href[i + 1]) >= 0 && HexDigit(href[i + 2]) >= 0) {
            result += static_cast<char>(HexDigit(href[i + 1]) * 16 + HexDigit(href[i + 2]));
            i += 2;
        } else {
            result += href[i];
        }
    }
    return result;
}
