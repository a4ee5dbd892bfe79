#include "graphics/ButtonPainter.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "graphics/GraphicSource.h"
#include "storage/AppGlobals.h"
#include "storage/Text.h"

namespace {

constexpr uint32_t White = 0xFFFFFF;
constexpr uint32_t Black = 0x000000;

bool SameFont(const TFont& a, const TFont& b) {
    return a.Name == b.Name && a.Height == b.Height && a.Color == b.Color && a.Bold == b.Bold && a.Italic == b.Italic;
}

// The process-wide graphic source when one exists; without it face images are simply absent.
TGraphicSource* AvailableGraphicSource() { return HasGraphicSource() ? &GraphicSource() : nullptr; }

template <typename T>
bool Store(T& field, const T& value) {
    if (field == value)
        return false;
    field = value;
    return true;
}

}  // namespace

// ---- caption text ----

std::vector<std::string> CaptionLines(const std::string& caption) {
    std::vector<std::string> lines(1);
    for (char c : caption) {
        if (c == '\\')
            lines.emplace_back();
        else
            lines.back() += c;
    }
    return lines;
}

std::string CaptionWithoutPrefix(const std::string& caption) {
    std::string shown;
    for (size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&') {
            // '&&' shows one '&'; '&' before anything else only marks the accelerator.
            if (i + 1 < caption.size() && caption[i + 1] == '&')
                shown += caption[++i];
        } else {
            shown += caption[i];
        }
    }
    return shown;
}

char CaptionAccelerator(const std::string& caption) {
    for (size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&') {
            if (i + 1 >= caption.size())
                return 0;
            if (caption[i + 1] == '&') {
                ++i;
                continue;
            }
            // Only a printable ASCII character is an accelerator key.
            char key = caption[i + 1];
            if (static_cast<unsigned char>(key) >= 0x80 || static_cast<unsigned char>(key) < 0x21)
                return 0;
            return key >= 'a' && key <= 'z' ? static_cast<char>(key - 'a' + 'A') : key;
        }
    }
    return 0;
}

bool IsWindowGlyphFont(const std::string& fontName) { return AsciiSameText(fontName, "Marlett"); }

namespace {

// The window glyphs MinimiseGlyph (a bar at the foot) and CloseGlyph (a cross) as shapes
// in an em box of side em whose top-left corner is (x, y), in the canvas brush colour.
// At em 12 the cross is 8 × 7 pixels with strokes 2 pixels wide and the bar 6 × 2 on its
// bottom rows, as the glyphs look on screen.
void DrawWindowGlyph(TCanvas& canvas, char glyph, int x, int y, int em) {
    int side = std::max(2, em * 2 / 3);
    int stroke = std::max(1, em / 6);
    int inkHeight = side - stroke + 1;
    int left = x + (em - side) / 2, top = y + (em - inkHeight) / 2;
    if (glyph == CloseGlyph) {
        for (int i = 0; i < inkHeight; ++i) {
            canvas.FillRect(RectOfSize(left + i, top + i, stroke, 1));
            canvas.FillRect(RectOfSize(left + side - stroke - i, top + i, stroke, 1));
        }
    } else if (glyph == MinimiseGlyph) {
        canvas.FillRect({left + 1, top + inkHeight - stroke, left + side - 1, top + inkHeight});
    }
}

// One caption line, vertically centred in rect and aligned; the canvas font is set.
void DrawCaptionLine(TCanvas& canvas, const TRect& rect, TAlignment alignment, const std::string& line, int em) {
    bool glyphs = IsWindowGlyphFont(canvas.Font.Name);
    int width = glyphs ? static_cast<int>(line.size()) * em : canvas.TextWidth(line);
    int height = glyphs ? em : canvas.TextHeight(line);
    int x = rect.Left;
    if (alignment == TAlignment::Right)
        x = rect.Right - width;
    else if (alignment == TAlignment::Centre)
        x = rect.Left + (rect.Width() - width) / 2;
    int y = rect.Top + (rect.Height() - height) / 2;
    if (!glyphs) {
        canvas.TextOut(x, y, line);
        return;
    }
    canvas.Brush.Style = TBrushStyle::Solid;
    canvas.Brush.Color = canvas.Font.Color;
    for (size_t i = 0; i < line.size(); ++i)
        DrawWindowGlyph(canvas, line[i], x + static_cast<int>(i) * em, y, em);
    canvas.Brush.Style = TBrushStyle::Clear;
}

}  // namespace

// ---- settings ----

TButtonPainter::TButtonPainter() { UpdateGeometry(); }

void TButtonPainter::Changed() {
    FDirty = true;
    if (OnChanged)
        OnChanged();
}

// A new shape: over a plain background the face colour must be filled in again.
void TButtonPainter::ShapeChanged() {
    UpdateGeometry();
    if (!FTransParent)
        FBackgroundReady = false;
    Changed();
}

void TButtonPainter::SetStyle(TButtonShape value) {
    if (Store(FStyle, value))
        ShapeChanged();
}

void TButtonPainter::SetFlat(bool value) { SetField(FFlat, value); }

void TButtonPainter::SetRegion(bool value) {
    if (value == Region())
        return;
    FRegion.reset();
    if (value) {
        FRegion = std::make_unique<TRegion>();
        UpdateGeometry();
    }
    Changed();
}

void TButtonPainter::SetSquare(bool value) {
    if (Store(FSquare, value))
        ShapeChanged();
}

void TButtonPainter::SetTextAntialiasing(bool value) { SetField(FTextAntialiasing, value); }
void TButtonPainter::SetTextEmboss(bool value) { SetField(FTextEmboss, value); }
void TButtonPainter::SetTransParent(bool value) { SetField(FTransParent, value, Recapture::Yes); }
void TButtonPainter::SetAlignment(TAlignment value) { SetField(FAlignment, value); }
void TButtonPainter::SetColor(uint32_t value) { SetField(FColor, value, Recapture::Yes); }
void TButtonPainter::SetBackColor(uint32_t value) { SetField(FBackColor, value, Recapture::Yes); }
void TButtonPainter::SetColorDown(uint32_t value) { SetField(FColorDown, value); }
void TButtonPainter::SetColorOver(uint32_t value) { SetField(FColorOver, value); }
void TButtonPainter::SetColorFocus(uint32_t value) { SetField(FColorFocus, value); }
void TButtonPainter::SetFocusLineWidth(int value) { SetField(FFocusLineWidth, value); }
void TButtonPainter::SetOverDrawType(TDrawType value) { SetField(FOverDrawType, value); }

void TButtonPainter::SetFace(TFaceImage& face, const std::string& name) {
    if (face.Name == name)
        return;
    face.Name = name;
    face.Image.reset();
    TGraphicSource* source = name.empty() ? nullptr : AvailableGraphicSource();
    if (source) {
        try {
            std::shared_ptr<TCachedImage> graphic = source->GetGraphic(name);
            // A copy: the cached image is shared and must keep its own format.
            auto image = std::make_unique<TBitmap>(*graphic);
            if (!image->Is32Bit()) {
                image->SetPixelFormat(TPixelFormat::Bits32);
                SetAlphaByColorKey(*image, 255);
            }
            if (!image->Empty())
                face.Image = std::move(image);
        } catch (const EResourceNotFound&) {
            // No image of that name: the face step draws nothing for it.
        }
    }
    Changed();
}

void TButtonPainter::SetFaceFlat(const std::string& name) { SetFace(FFaceFlat, name); }
void TButtonPainter::SetFaceDown(const std::string& name) { SetFace(FFaceDown, name); }
void TButtonPainter::SetFaceOver(const std::string& name) { SetFace(FFaceOver, name); }

void TButtonPainter::SetCaption(const std::string& value) { SetField(FCaption, value); }
void TButtonPainter::SetFont(const TFont& value) {
    if (SameFont(FFont, value))
        return;
    FFont = value;
    Changed();
}

void TButtonPainter::SetState(TButtonState value) {
    if (Store(FState, value))
        FDirty = true;
}

void TButtonPainter::Assign(const TButtonPainter& source) {
    if (&source == this)
        return;
    SetTransParent(source.FTransParent);
    SetFlat(source.FFlat);
    SetSquare(source.FSquare);
    SetTextAntialiasing(source.FTextAntialiasing);
    SetStyle(source.FStyle);
    SetAlignment(source.FAlignment);
    SetCaption(source.FCaption);
    SetColor(source.FColor);
    SetBackColor(source.FBackColor);
    SetColorDown(source.FColorDown);
    SetColorOver(source.FColorOver);
    SetColorFocus(source.FColorFocus);
    SetFocusLineWidth(source.FFocusLineWidth);
    SetFaceFlat(source.FFaceFlat.Name);
    SetFaceDown(source.FFaceDown.Name);
    SetFaceOver(source.FFaceOver.Name);
    SetFont(source.FFont);
}

// ---- geometry ----

void TButtonPainter::SetBounds(int left, int top, int width, int height) {
    FLeft = left;
    FTop = top;
    FWidth = std::max(0, width);
    FHeight = std::max(0, height);
    AllocateBitmaps();
}

void TButtonPainter::SetScale(double ratio) {
    if (!(ratio > 0))
        ratio = 1;
    ratio = std::min(ratio, MaxScale);
    if (ratio == FScale)
        return;
    FScale = ratio;
    AllocateBitmaps();
}

int TButtonPainter::Device(int logical) const { return DeviceLength(logical, FScale); }

// The face and its base in device pixels; the work drawing always at twice the logical
// size, so that every drawing step below keeps its pixel sizes at any scale.
void TButtonPainter::AllocateBitmaps() {
    FFaceBitmap.Allocate(Device(FWidth), Device(FHeight), TPixelFormat::Bits32);
    FBaseBitmap.Allocate(Device(FWidth), Device(FHeight), TPixelFormat::Bits32);
    FWorkBitmap.Allocate(2 * FWidth, 2 * FHeight, TPixelFormat::Bits32);
    UpdateGeometry();
    FDirty = true;
    FBackgroundReady = false;
}

const TBitmap& TButtonPainter::WorkAtFaceSize() {
    const int width = FFaceBitmap.Width(), height = FFaceBitmap.Height();
    if (width == FWorkBitmap.Width() && height == FWorkBitmap.Height())
        return FWorkBitmap;
    // Null only for an empty button, which has nothing to draw through.
    FReducedBitmap = ReduceBitmap(FWorkBitmap, width, height);
    return FReducedBitmap ? *FReducedBitmap : FWorkBitmap;
}

void TButtonPainter::UpdateGeometry() {
    int width = FWorkBitmap.Width(), height = FWorkBitmap.Height();
    FShape = {0, 0, width, height};
    if (FSquare) {
        int side = std::min(width, height);
        FShape = RectOfSize((width - side) / 2, (height - side) / 2, side, side);
    }
    if (!FRegion)
        return;
    int rl = Device(FShape.Left / 2), rt = Device(FShape.Top / 2);
    int rr = Device(FShape.Right / 2), rb = Device(FShape.Bottom / 2);
    if (FStyle == TButtonShape::Box)
        FRegion->AddRect(rl, rt, rr, rb, TRegionMode::Replace);
    else
        FRegion->AddEllipse(rl - Device(1), rt - Device(1), rr + Device(2), rb + Device(2), TRegionMode::Replace);
}

TPoint TButtonPainter::ClockPoint(int hour) const {
    const int l = FShape.Left, t = FShape.Top, r = FShape.Right, b = FShape.Bottom;
    const int qx = (r - l) / 4, qy = (b - t) / 4, mx = l + (r - l) / 2, my = t + (b - t) / 2;
    switch (hour) {
    case 1:
        return {r - qx, t};
    case 2:
        return {r, t + qy};
    case 3:
        return {r, my};
    case 4:
        return {r, b - qy};
    case 5:
        return {r - qx, b};
    case 6:
        return {mx, b};
    case 7:
        return {l + qx, b};
    case 8:
        return {l, b - qy};
    case 9:
        return {l, my};
    case 10:
        return {l, t + qy};
    case 11:
        return {l + qx, t};
    default:
        return {mx, t};
    }
}

void TButtonPainter::ArcInset(TCanvas& canvas, uint32_t color, int inset, int fromHour, int toHour) const {
    TPoint from = ClockPoint(fromHour), to = ClockPoint(toHour);
    canvas.Pen.Color = color;
    canvas.Arc(FShape.Left + inset, FShape.Top + inset, FShape.Right - inset, FShape.Bottom - inset, from.X, from.Y,
               to.X, to.Y);
}

// ---- composition ----

void TButtonPainter::CaptureBackground(const TBitmap* surface) {
    const int width = FBaseBitmap.Width(), height = FBaseBitmap.Height();
    FBackgroundReady = true;
    FDirty = true;
    if (width == 0 || height == 0)
        return;
    FillBitmap32(FBaseBitmap, 0xFF000000 | FBackColor);
    if (FTransParent && surface)
        FBaseBitmap.Canvas().CopyRect(RectOfSize(0, 0, width, height), *surface,
                                      RectOfSize(Device(FLeft), Device(FTop), width, height));
    if (FTransParent && FColor == FBackColor)
        return;
    FillBitmap32(FWorkBitmap, 0xFF000000 | FBackColor);
    TCanvas& canvas = FWorkBitmap.Canvas();
    canvas.Pen = {BlendColor(FColor, FBackColor, 128), 1, TPenStyle::Solid};
    canvas.Brush = {FColor, TBrushStyle::Solid};
    const TRect& s = FShape;
    if (FStyle == TButtonShape::Circle)
        canvas.Ellipse(s.Left + 2, s.Top + 2, s.Right - 2, s.Bottom - 2);
    else
        canvas.FillRect({s.Left + 4, s.Top + 4, s.Right - 4, s.Bottom - 4});
    SetAlphaByColorKey(FWorkBitmap, 255);
    // Over a captured background the transparent surround must keep what lies behind the
    // button, so the face is blended by its alpha; over the plain back colour it is copied.
    DrawBlend(0, 0, FBaseBitmap, WorkAtFaceSize(), FTransParent ? TDrawType::Alpha : TDrawType::Copy);
}

void TButtonPainter::Compose(const TBitmap* surface) {
    if (!FDirty)
        return;
    if (!FBackgroundReady)
        CaptureBackground(surface);
    FFaceBitmap = FBaseBitmap;
    if (!FFaceBitmap.Empty()) {
        DrawFaceImage();
        DrawStateOverlay();
        DrawCaption();
        DrawBevel();
    }
    FDirty = false;
}

void TButtonPainter::Paint(TBitmap& surface) {
    Compose(&surface);
    const int width = FFaceBitmap.Width(), height = FFaceBitmap.Height();
    const int left = Device(FLeft), top = Device(FTop);
    TRect whole = RectOfSize(0, 0, width, height);
    if (!FRegion) {
        surface.Canvas().CopyRect(RectOfSize(left, top, width, height), FFaceBitmap, whole);
        return;
    }
    for (const TRect& part : FRegion->RectanglesWithin(whole)) {
        surface.Canvas().CopyRect(RectOfSize(left + part.Left, top + part.Top, part.Width(), part.Height()),
                                  FFaceBitmap, part);
    }
}

void TButtonPainter::DrawFaceImage() {
    if (!FFaceFlat.Image)
        return;
    const TBitmap* image = FFaceFlat.Image.get();
    if (FState == TButtonState::Hover && FFaceOver.Image)
        image = FFaceOver.Image.get();
    else if (FState == TButtonState::Pressed && FFaceDown.Image)
        image = FFaceDown.Image.get();
    int x = (FFaceBitmap.Width() - image->Width()) / 2;
    int y = (FFaceBitmap.Height() - image->Height()) / 2;
    if (!FFaceMonoColor) {
        DrawBlend(x, y, FFaceBitmap, *image, TDrawType::Alpha);
        return;
    }
    TBitmap recolored(*image);
    SetColorKeepAlpha(recolored, FFont.Color);
    DrawBlend(x, y, FFaceBitmap, recolored, TDrawType::Alpha);
}

void TButtonPainter::DrawStateOverlay() {
    if (FOverDrawAlpha == 0)
        return;
    uint32_t frame = FColor, inner = FColor;
    if (FState == TButtonState::Hover) {
        frame = FColorOver;
    } else if (FState == TButtonState::Focus) {
        frame = FColorFocus;
    } else if (FState == TButtonState::Pressed) {
        inner = BlendColor(FColor, FColorDown, 200);
        frame = BlendColor(FColorOver, FColorDown, 200);
    }
    FillBitmap32(FWorkBitmap, 0xFF000000 | FBackColor);
    TCanvas& canvas = FWorkBitmap.Canvas();
    canvas.Pen = {frame, 2, TPenStyle::Solid};
    const int w = 2 * FFocusLineWidth + 3;
    const TRect& s = FShape;
    if (FStyle == TButtonShape::Circle) {
        canvas.Pen.Color = BlendColor(frame, FBackColor, 128);
        canvas.Brush = {frame, TBrushStyle::Solid};
        canvas.Ellipse(s.Left + 2, s.Top + 2, s.Right - 2, s.Bottom - 2);
        canvas.Pen.Color = frame;
        canvas.Brush.Color = inner;
        canvas.Ellipse(s.Left + w, s.Top + w, s.Right - w, s.Bottom - w);
    } else {
        canvas.Brush = {frame, TBrushStyle::Solid};
        canvas.FillRect({s.Left + 4, s.Top + 4, s.Right - 4, s.Bottom - 4});
        canvas.Brush.Color = inner;
        canvas.FillRect({s.Left + w, s.Top + w, s.Right - w - 2, s.Bottom - w - 2});
    }
    SetAlphaByColorKey(FWorkBitmap, 255);
    ScaleAlphaCorners(FWorkBitmap, 64, 192, 255, 192);
    DrawBlend(0, 0, FFaceBitmap, WorkAtFaceSize(), FOverDrawType);
}

void TButtonPainter::DrawCaption() {
    std::string shown = CaptionWithoutPrefix(FCaption);
    if (shown.empty())
        return;
    const bool disabled = FState == TButtonState::Disabled;
    const uint32_t textColor = disabled ? GrayTone(FFont.Color) : FFont.Color;
    const std::vector<std::string> lines = CaptionLines(shown);
    const int count = static_cast<int>(lines.size());
    FillBitmap32(FWorkBitmap, 0);
    TCanvas& canvas = FWorkBitmap.Canvas();
    canvas.Font = FFont;
    canvas.Font.Color = disabled ? GrayTone(White) : White;
    canvas.Brush.Style = TBrushStyle::Clear;
    const int workWidth = FWorkBitmap.Width(), workHeight = FWorkBitmap.Height();
    const bool glyphs = IsWindowGlyphFont(FFont.Name);
    const TBitmap* mask = &FWorkBitmap;
    if (FTextAntialiasing) {
        canvas.Font.Height = FFont.Height * 2;
        int em = std::abs(canvas.Font.Height);
        int h = (glyphs ? em : canvas.TextHeight(shown)) + 2;
        int top = (workHeight - count * h) / 2;
        for (int k = 0; k < count; ++k)
            DrawCaptionLine(canvas, {2, top + k * h - 1, workWidth - 2, top + k * h + h - 1}, FAlignment, lines[k], em);
        mask = &WorkAtFaceSize();
    } else {
        // Hard-edged text at the face's own size, the font scaled to device pixels.
        const int faceWidth = FFaceBitmap.Width(), faceHeight = FFaceBitmap.Height();
        canvas.Font.Height = Device(FFont.Height);
        int em = std::abs(canvas.Font.Height);
        int h = (glyphs ? em : canvas.TextHeight(shown)) + Device(1);
        int top = (faceHeight - count * h) / 2 + Device(1);
        for (int k = 0; k < count; ++k)
            DrawCaptionLine(canvas, {Device(1), top + k * h, faceWidth, top + k * h + h}, FAlignment, lines[k], em);
    }
    if (FTextEmboss)
        Emboss(FFaceBitmap, *mask);
    TintThroughMask(FFaceBitmap, *mask, textColor);
}

namespace {

// An arc of the round bevel: grey level (the coverage), inset of its ellipse from the shape,
// and the clock points it runs between, counter-clockwise.
struct TBevelArc {
    uint32_t Grey;
    int Inset, FromHour, ToHour;
};
constexpr TBevelArc ShadowArcs[] = {{0x202020, 1, 2, 7},   {0x404040, 1, 1, 8}, {0x404040, 0, 1, 8},
                                    {0x202020, 5, 10, 11}, {0x404040, 6, 8, 1}, {0x808080, 5, 8, 1}};
constexpr TBevelArc HighlightArcs[] = {{0x404040, 0, 9, 12}, {0x606060, 2, 7, 2},  {0x606060, 0, 6, 3},
                                       {0x808080, 0, 5, 4},  {0x404040, 6, 3, 6},  {0x606060, 5, 2, 7},
                                       {0x606060, 6, 12, 9}, {0x707070, 5, 11, 10}};

void Line(TCanvas& canvas, int x1, int y1, int x2, int y2) {
    canvas.MoveTo(x1, y1);
    canvas.LineTo(x2, y2);
}

}  // namespace

void TButtonPainter::DrawShadowPass(TCanvas& canvas) {
    const int l = FShape.Left, t = FShape.Top, r = FShape.Right, b = FShape.Bottom;
    canvas.Pen = {0x808080, 1, TPenStyle::Solid};
    if (FStyle == TButtonShape::Box && !FFlat) {
        Line(canvas, l + 1, t + 1, l + 1, b - 3);
        Line(canvas, l + 1, t + 1, r - 3, t);
        Line(canvas, l + 5, b - 5, r - 5, b - 5);
        Line(canvas, r - 5, t + 5, r - 5, b - 5);
    } else if (FStyle == TButtonShape::Circle && !FFlat) {
        for (const TBevelArc& arc : ShadowArcs)
            ArcInset(canvas, arc.Grey, arc.Inset, arc.FromHour, arc.ToHour);
    }
    canvas.Pen.Color = White;
    if (FStyle == TButtonShape::Box) {
        canvas.Rectangle(l + 3, t + 3, r - 3, b - 3);
    } else {
        canvas.Pen.Width = 3;
        canvas.Ellipse(l + 3, t + 3, r - 3, b - 3);
    }
}

void TButtonPainter::DrawHighlightPass(TCanvas& canvas) {
    const int l = FShape.Left, t = FShape.Top, r = FShape.Right, b = FShape.Bottom;
    canvas.Pen = {0x808080, 1, TPenStyle::Solid};
    if (FStyle == TButtonShape::Box) {
        Line(canvas, r - 1, t + 5, r - 1, b - 3);
        Line(canvas, l + 5, b - 1, r - 3, b - 1);
        Line(canvas, l + 5, t + 5, r - 5, t + 5);
        Line(canvas, l + 5, t + 5, l + 5, b - 5);
    } else {
        for (const TBevelArc& arc : HighlightArcs)
            ArcInset(canvas, arc.Grey, arc.Inset, arc.FromHour, arc.ToHour);
    }
}

void TButtonPainter::DrawBevel() {
    const bool disabled = FState == TButtonState::Disabled;
    TCanvas& canvas = FWorkBitmap.Canvas();
    canvas.Brush.Style = TBrushStyle::Clear;
    FillBitmap32(FWorkBitmap, 0);
    DrawShadowPass(canvas);
    TintThroughMask(FFaceBitmap, WorkAtFaceSize(), disabled ? 0x606060 : Black);
    if (FFlat)
        return;
    FillBitmap32(FWorkBitmap, 0);
    DrawHighlightPass(canvas);
    TintThroughMask(FFaceBitmap, WorkAtFaceSize(), disabled ? 0xC0C0C0 : White);
}
