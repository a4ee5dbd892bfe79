#include "graphics/Canvas.h"

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QPen>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "graphics/PixelStore.h"
#include "graphics/QtText.h"
#include "storage/Text.h"

namespace {

// The bitmap's own rows as a QImage: ARGB32 is B, G, R, A in memory on this little-endian
// machine and BGR888 is B, G, R, exactly the two layouts of a pixel store.
QImage WrapRows(TPixelStore& bitmap) {
    return QImage(bitmap.Bits(), bitmap.Width(), bitmap.Height(), bitmap.RowStride(),
                  bitmap.Is32Bit() ? QImage::Format_ARGB32 : QImage::Format_BGR888);
}

struct TFontRow {
    const char* Name;  // UTF-8 spelling of the name the program asks for
    TFontFace Face;
};

const TFontRow FontTable[] = {
    {"Impact", {"Bebas Neue", "Regular", false}},
    {"HG創英角ｺﾞｼｯｸUB", {"Noto Sans CJK JP", "Black", false, 1.0}},
    {"HGP創英角ｺﾞｼｯｸUB", {"Noto Sans CJK JP", "Black", false, 1.0}},
    {"ＭＳ Ｐゴシック", {"IPAPGothic", "", false, 1.0}},
    {"ＭＳ ゴシック", {"IPAGothic", "", false, 1.0}},
    {"Arial", {"Liberation Sans", "", false}},
    {"Arial Black", {"Liberation Sans", "", true}},
};

}  // namespace

TFontFace ResolveFontFace(const std::string& name) {
    for (const TFontRow& row : FontTable)
        if (AsciiSameText(name, row.Name))
            return row.Face;
    return {name, "", false};
}

void InstallFontSubstitutions() {
    for (const TFontRow& row : FontTable)
        QFont::insertSubstitution(QtText(row.Name), QString::fromStdString(row.Face.Family));
}

struct TCanvas::TQtFont {
    TFont Key;
    bool Made = false;
    QFont Font;
    int Cell = 0;      // TextHeight
    int Baseline = 0;  // from the top of the cell to the drawing face's baseline
};

TCanvas::TCanvas(TPixelStore& bitmap) : FBitmap(bitmap) {}
TCanvas::~TCanvas() = default;

TCanvas::TQtFont& TCanvas::QtFont() {
    if (!FQtFont)
        FQtFont = std::make_unique<TQtFont>();
    TQtFont& cache = *FQtFont;
    const TFont& k = cache.Key;
    if (cache.Made && k.Name == Font.Name && k.Height == Font.Height && k.Bold == Font.Bold && k.Italic == Font.Italic)
        return cache;
    TFontFace face = ResolveFontFace(Font.Name);
    QFont font(QString::fromStdString(face.Family));
    if (!face.Style.empty())
        font.setStyleName(QString::fromStdString(face.Style));
    font.setStyleStrategy(QFont::NoAntialias);
    // Qt gives up hinting by default once the screens are scaled (a desktop at 150 % or
    // 200 %); the light hinting of an unscaled desktop is asked for outright, so that a
    // page comes out the same on every desktop and in the command-line tool.
    font.setHintingPreference(QFont::PreferVerticalHinting);
    if (face.Bold || Font.Bold)
        font.setWeight(QFont::Bold);
    font.setItalic(Font.Italic);
    // Windows heights: negative is the character height, positive the whole cell.
    int height = Font.Height == 0 ? -12 : Font.Height;
    font.setPixelSize(std::max(1, std::abs(height)));
    if (height > 0 && face.CellEm > 0) {
        font.setPixelSize(std::max(1, static_cast<int>(height / face.CellEm)));
    } else if (height > 0) {
        // A cell height: shrink the character until its cell fits.
        int cell = QFontMetrics(font).height();
        if (cell > height)
            font.setPixelSize(std::max(1, height * height / cell));
        while (font.pixelSize() > 1 && QFontMetrics(font).height() > height)
            font.setPixelSize(font.pixelSize() - 1);
    }
    QFontMetrics metrics(font);
    cache.Cell = face.CellEm > 0 ? static_cast<int>(std::lround(font.pixelSize() * face.CellEm)) : metrics.height();
    cache.Baseline = (cache.Cell - metrics.height()) / 2 + metrics.ascent();
    cache.Font = font;
    cache.Key = Font;
    cache.Made = true;
    return cache;
}

void TCanvas::PutPixel(int x, int y, uint32_t color) {
    if (x < 0 || y < 0 || x >= FBitmap.Width() || y >= FBitmap.Height())
        return;
    uint8_t* p = FBitmap.ScanLine(y) + x * FBitmap.BytesPerPixel();
    p[0] = BlueOf(color);
    p[1] = GreenOf(color);
    p[2] = RedOf(color);
    if (FBitmap.Is32Bit())
        p[3] = 255;
}

void TCanvas::SolidSpan(int left, int right, int y, uint32_t color) {
    if (y < 0 || y >= FBitmap.Height())
        return;
    left = std::max(left, 0);
    right = std::min(right, FBitmap.Width());
    for (int x = left; x < right; ++x)
        PutPixel(x, y, color);
}

void TCanvas::LineTo(int x, int y) {
    TPoint from = FPenPos;
    FPenPos = {x, y};
    if (Pen.Style == TPenStyle::Clear)
        return;
    if (Pen.Width > 1) {
        QImage image = WrapRows(FBitmap);
        QPainter painter(&image);
        QPen pen(QtColor(Pen.Color), Pen.Width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
        painter.setPen(pen);
        painter.drawLine(QPoint(from.X, from.Y), QPoint(x, y));
        return;
    }
    // Bresenham from the start towards the end, stopping one pixel short of it.
    int dx = std::abs(x - from.X), dy = std::abs(y - from.Y);
    int sx = from.X < x ? 1 : -1, sy = from.Y < y ? 1 : -1;
    int steps = std::max(dx, dy);
    int error = (dx > dy ? dx : -dy) / 2;
    int px = from.X, py = from.Y;
    for (int i = 0; i < steps; ++i) {
        PutPixel(px, py, Pen.Color);
        int e = error;
        if (e > -dx) {
            error -= dy;
            px += sx;
        }
        if (e < dy) {
            error += dx;
            py += sy;
        }
    }
}

void TCanvas::Rectangle(int left, int top, int right, int bottom) {
    if (right < left)
        std::swap(left, right);
    if (bottom < top)
        std::swap(top, bottom);
    bool pen = Pen.Style != TPenStyle::Clear;
    if (Brush.Style != TBrushStyle::Clear) {
        int inset = pen ? 1 : 0;
        FillRect({left + inset, top + inset, right - inset, bottom - inset});
    }
    if (!pen || right - left < 1 || bottom - top < 1)
        return;
    if (Pen.Width > 1) {
        QImage image = WrapRows(FBitmap);
        QPainter painter(&image);
        painter.setPen(QPen(QtColor(Pen.Color), Pen.Width, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        painter.drawRect(QRect(left, top, right - left - 1, bottom - top - 1));
        return;
    }
    SolidSpan(left, right, top, Pen.Color);
    SolidSpan(left, right, bottom - 1, Pen.Color);
    for (int y = top + 1; y < bottom - 1; ++y) {
        PutPixel(left, y, Pen.Color);
        PutPixel(right - 1, y, Pen.Color);
    }
}

void TCanvas::FillRect(const TRect& r) {
    for (int y = r.Top; y < r.Bottom; ++y)
        SolidSpan(r.Left, r.Right, y, Brush.Color);
}

void TCanvas::Ellipse(int left, int top, int right, int bottom) {
    if (right - left < 1 || bottom - top < 1)
        return;
    QImage image = WrapRows(FBitmap);
    QPainter painter(&image);
    if (Pen.Style == TPenStyle::Clear)
        painter.setPen(Qt::NoPen);
    else
        painter.setPen(QPen(QtColor(Pen.Color), Pen.Width));
    if (Brush.Style == TBrushStyle::Clear)
        painter.setBrush(Qt::NoBrush);
    else
        painter.setBrush(QtColor(Brush.Color));
    painter.drawEllipse(QRect(left, top, right - left - 1, bottom - top - 1));
}

void TCanvas::Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
    if (Pen.Style == TPenStyle::Clear || x2 - x1 < 1 || y2 - y1 < 1)
        return;
    // Qt counts angles counter-clockwise from three o'clock with y up; screen y runs down.
    double cx = (x1 + x2) / 2.0, cy = (y1 + y2) / 2.0;
    double start = std::atan2(cy - y3, x3 - cx) * 180.0 / M_PI;
    double end = std::atan2(cy - y4, x4 - cx) * 180.0 / M_PI;
    double span = std::fmod(end - start + 720.0, 360.0);
    if (span == 0)
        span = 360.0;
    QImage image = WrapRows(FBitmap);
    QPainter painter(&image);
    painter.setPen(QPen(QtColor(Pen.Color), Pen.Width));
    painter.drawArc(QRect(x1, y1, x2 - x1 - 1, y2 - y1 - 1), static_cast<int>(std::lround(start * 16)),
                    static_cast<int>(std::lround(span * 16)));
}

void TCanvas::TextOut(int x, int y, const std::string& text) {
    if (text.empty() || FBitmap.Empty())
        return;
    const TQtFont& cached = QtFont();
    QString qtext = QtText(text);
    if (Brush.Style != TBrushStyle::Clear)
        FillRect(RectOfSize(x, y, QFontMetrics(cached.Font).horizontalAdvance(qtext), cached.Cell));
    QImage image = WrapRows(FBitmap);
    QPainter painter(&image);
    painter.setFont(cached.Font);
    painter.setPen(QtColor(Font.Color));
    painter.drawText(QPoint(x, y + cached.Baseline), qtext);
}

int TCanvas::TextWidth(const std::string& text) { return QFontMetrics(QtFont().Font).horizontalAdvance(QtText(text)); }

int TCanvas::TextHeight(const std::string&) { return QtFont().Cell; }

int64_t TCanvas::Pixel(int x, int y) const { return FBitmap.Pixel(x, y); }

void TCanvas::SetPixel(int x, int y, uint32_t color) { PutPixel(x, y, color); }

void TCanvas::Draw(int x, int y, const TPixelStore& source) {
    CopyRect(RectOfSize(x, y, source.Width(), source.Height()), source,
             RectOfSize(0, 0, source.Width(), source.Height()));
}

void TCanvas::CopyRect(const TRect& destRect, const TPixelStore& source, const TRect& sourceRect) {
    int width = std::min(destRect.Width(), sourceRect.Width());
    int height = std::min(destRect.Height(), sourceRect.Height());
    int inStep = source.BytesPerPixel(), outStep = FBitmap.BytesPerPixel();
    for (int row = 0; row < height; ++row) {
        int sy = sourceRect.Top + row, dy = destRect.Top + row;
        if (sy < 0 || sy >= source.Height() || dy < 0 || dy >= FBitmap.Height())
            continue;
        const uint8_t* in = source.ScanLine(sy);
        uint8_t* out = FBitmap.ScanLine(dy);
        for (int col = 0; col < width; ++col) {
            int sx = sourceRect.Left + col, dx = destRect.Left + col;
            if (sx < 0 || sx >= source.Width() || dx < 0 || dx >= FBitmap.Width())
                continue;
            const uint8_t* p = in + sx * inStep;
            uint8_t* q = out + dx * outStep;
            q[0] = p[0], q[1] = p[1], q[2] = p[2];
            if (outStep == 4)
                q[3] = inStep == 4 ? p[3] : 255;
        }
    }
}
