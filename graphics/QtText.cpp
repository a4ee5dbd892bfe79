#include "graphics/QtText.h"

#include <QFile>
#include <QFontMetrics>
#include <QRegularExpression>
#include <QStringList>
#include <algorithm>

#include "storage/Exception.h"
#include "storage/Text.h"

QString QtText(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

std::string ProgramText(const QString& text) { return text.toStdString(); }

QString QtPath(std::string_view path) {
    return QFile::decodeName(QByteArray(path.data(), static_cast<qsizetype>(path.size())));
}

std::string ProgramPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

QColor QtColor(uint32_t color) { return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF); }

QString ExceptionText(const std::exception& error) {
    if (auto* own = dynamic_cast<const Exception*>(&error))
        return QtText(own->Message());
    return QString::fromLocal8Bit(error.what());
}

namespace {

// One line as rows no wider than rowWidth: a row that would grow too wide ends after its
// last space or "/" when that lies in its second half, else after its last character.
QStringList BreakIntoRows(const QString& line, const QFontMetrics& metrics, int rowWidth) {
    QStringList rows;
    QString row;
    for (qsizetype i = 0; i < line.size();) {
        const qsizetype length = line.at(i).isHighSurrogate() && i + 1 < line.size() ? 2 : 1;
        const QString character = line.mid(i, length);
        if (!row.isEmpty() && metrics.horizontalAdvance(row + character) > rowWidth) {
            qsizetype breakAfter = std::max(row.lastIndexOf(QLatin1Char(' ')), row.lastIndexOf(QLatin1Char('/'))) + 1;
            if (breakAfter <= row.size() / 2)
                breakAfter = row.size();
            rows.append(row.left(breakAfter));
            row = row.mid(breakAfter);
        }
        row += character;
        i += length;
    }
    rows.append(row);
    return rows;
}

}  // namespace

QString FitMessageText(const QString& text, const QFontMetrics& metrics, int rowWidth, int maxHeight) {
    static const QRegularExpression lineEnd(QStringLiteral("\r\n|\r|\n"));
    const QString more = QStringLiteral("…");
    rowWidth = std::max(rowWidth, 1);
    // No row is lower than the font's own line spacing, so no more than this many fit.
    const qsizetype mostRows = std::max(maxHeight / std::max(metrics.lineSpacing(), 1), 1);
    QStringList rows;
    bool cut = false;
    for (const QString& line : text.split(lineEnd)) {
        if (rows.size() >= mostRows) {
            cut = true;
            break;
        }
        rows.append(BreakIntoRows(metrics.elidedText(line, Qt::ElideMiddle, rowWidth * MaxRowsPerMessageLine), metrics,
                                  rowWidth));
    }
    if (rows.size() > mostRows) {
        rows.erase(rows.begin() + mostRows, rows.end());
        cut = true;
    }
    auto height = [&] {
        const QString shown = rows.join(QLatin1Char('\n')) + (cut ? QLatin1Char('\n') + more : QString());
        return metrics.boundingRect(QRect(0, 0, rowWidth, 1 << 24), Qt::AlignLeft | Qt::AlignTop, shown).height();
    };
    while (rows.size() > 1 && height() > maxHeight) {
        rows.removeLast();
        cut = true;
    }
    if (cut)
        rows.append(more);
    return rows.join(QLatin1Char('\n'));
}
