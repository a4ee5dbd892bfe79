#pragma once
// TCanvas: the drawing surface of a pixel store (a TBitmap's own canvas), with the pen, brush and font of a Windows
// device context. One-pixel solid lines and rectangles are drawn here pixel by pixel so
// that frames come out exact; wide pens, ellipses, arcs and text go through QPainter on a
// QImage that wraps the bitmap's own rows. Drawn pixels of a 32-bit bitmap become opaque
// (alpha 255). Shapes and text are drawn without antialiasing: the program draws at twice
// the size and halves the bitmap when it wants smooth output.

#include <cstdint>
#include <memory>
#include <string>

#include "storage/Geometry.h"

class TPixelStore;

enum class TPenStyle : uint8_t { Solid, Clear };
enum class TBrushStyle : uint8_t { Solid, Clear };

struct TPen {
    uint32_t Color = 0x000000;  // 0x00BBGGRR
    int Width = 1;
    TPenStyle Style = TPenStyle::Solid;
};

struct TBrush {
    uint32_t Color = 0xFFFFFF;
    TBrushStyle Style = TBrushStyle::Solid;
};

struct TFont {
    std::string Name = "Arial";  // names of the design resolve through the font table
    // Windows height: negative = character height in pixels, positive = cell height in pixels.
    int Height = -12;
    uint32_t Color = 0x000000;
    bool Bold = false;
    bool Italic = false;
};

class TCanvas {
public:
    explicit TCanvas(TPixelStore& bitmap);
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    TPen Pen;
    TBrush Brush;
    TFont Font;

    TPoint PenPos() const { return FPenPos; }
    void MoveTo(int x, int y) { FPenPos = {x, y}; }
    // A line from the pen position to (x, y) in the pen; (x, y) itself is not drawn.
    // The pen position moves to (x, y).
    void LineTo(int x, int y);
    // Outline in the pen over columns left..right-1 and rows top..bottom-1, the inside
    // filled with the brush unless it is clear.
    void Rectangle(int left, int top, int right, int bottom);
    void Rectangle(const TRect& r) { Rectangle(r.Left, r.Top, r.Right, r.Bottom); }
    // Fills the rectangle (right and bottom exclusive) with the brush colour, no outline.
    void FillRect(const TRect& r);
    // The ellipse inscribed in the rectangle: outline in the pen, inside in the brush.
    void Ellipse(int left, int top, int right, int bottom);
    // The part of the ellipse inscribed in (x1, y1, x2, y2) that runs counter-clockwise
    // from the ray towards (x3, y3) to the ray towards (x4, y4); the whole ellipse when
    // the two rays coincide.
    void Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);

    // Text with its cell's top-left corner at (x, y), in the font's colour, on a
    // box of the brush colour unless the brush is clear.
    void TextOut(int x, int y, const std::string& text);
    int TextWidth(const std::string& text);
    // Height of the font's cell (ascent + descent): that of the named font where the font
    // table knows it, else that of the face that draws it. TextOut centres the drawing
    // face's line in this cell.
    int TextHeight(const std::string& text);

    // Colour 0x00BBGGRR of a pixel; -1 outside the bitmap.
    int64_t Pixel(int x, int y) const;
    void SetPixel(int x, int y, uint32_t color);

    // Plain copy of source at (x, y), clipped: colour bytes copied, alpha copied from a
    // 32-bit source or 255 from a 24-bit one.
    void Draw(int x, int y, const TPixelStore& source);
    // Copies sourceRect of source onto destRect of the same size (clipped on both sides).
    void CopyRect(const TRect& destRect, const TPixelStore& source, const TRect& sourceRect);

private:
    struct TQtFont;
    TQtFont& QtFont();
    void PutPixel(int x, int y, uint32_t color);
    void SolidSpan(int left, int right, int y, uint32_t color);  // columns left..right-1
    TPixelStore& FBitmap;
    TPoint FPenPos;
    std::unique_ptr<TQtFont> FQtFont;  // the QFont made for Font, rebuilt when Font changes

public:
    ~TCanvas();
};

// The installed face that stands in for a font name of the program.
struct TFontFace {
    std::string Family;  // UTF-8
    std::string Style;   // UTF-8 style name, empty for the regular face
    bool Bold = false;
    // The cell height (ascent + descent) of the named font in ems, where the layouts rely
    // on it: the Japanese faces have a cell of one em, while their stand-ins here are
    // taller. 0 takes the stand-in's own cell.
    double CellEm = 0;
};
// The face for a font name: the substitution table, else the name itself.
TFontFace ResolveFontFace(const std::string& name);

// Installs the program's font substitutions in QFont ("Impact" → Bebas Neue and the rest
// of the table); call once after the application object exists. Safe to call again.
void InstallFontSubstitutions();
