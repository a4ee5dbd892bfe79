#pragma once
// TButtonPainter: the look of the program's custom push button, computed in 32-bit bitmaps.
// A face colour on the background, a coloured state frame blended onto it, optional face
// images, the caption drawn at double size and halved, and a two-tone bevel. Everything
// smooth is drawn into a work bitmap of twice the button's size and halved. The finished
// image is recomposed only after a change (Dirty); an unchanged button paints with one copy.
//
// Sizes and places are logical pixels; the face is made in device pixels for a screen of
// device pixel ratio Scale: the double-size work drawing is halved at 1, taken as it is at
// 2 and reduced with a box filter in between, so a button is as sharp as the screen allows
// and at Scale 1 exactly as before.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "graphics/Bitmap.h"
#include "graphics/Canvas.h"
#include "graphics/GraphicWork.h"
#include "graphics/Region.h"
#include "storage/Geometry.h"

enum class TButtonShape : uint8_t { Circle, Box };
enum class TAlignment : uint8_t { Left, Right, Centre };

// Drawing states of the button.
enum class TButtonState : uint8_t { Normal, Hover, Focus, Pressed, Disabled };

class TButtonPainter {
public:
    TButtonPainter();
    TButtonPainter(const TButtonPainter&) = delete;
    TButtonPainter& operator=(const TButtonPainter&) = delete;

    // Takes every look setting, the caption, the back colour and the font of source through
    // the setters (not the bounds, the region flag or the state).
    void Assign(const TButtonPainter& source);

    TButtonShape Style() const { return FStyle; }
    void SetStyle(TButtonShape value);
    bool Flat() const { return FFlat; }
    void SetFlat(bool value);
    // True: painting is clipped to the button's shape (RegionShape).
    bool Region() const { return FRegion != nullptr; }
    void SetRegion(bool value);
    bool Square() const { return FSquare; }
    void SetSquare(bool value);
    bool TextAntialiasing() const { return FTextAntialiasing; }
    void SetTextAntialiasing(bool value);
    bool TextEmboss() const { return FTextEmboss; }
    void SetTextEmboss(bool value);
    // True: the background is taken from the surface behind the button.
    bool TransParent() const { return FTransParent; }
    void SetTransParent(bool value);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment value);
    // Colours are 0x00BBGGRR.
    uint32_t Color() const { return FColor; }
    void SetColor(uint32_t value);
    uint32_t ColorDown() const { return FColorDown; }
    void SetColorDown(uint32_t value);
    uint32_t ColorOver() const { return FColorOver; }
    void SetColorOver(uint32_t value);
    uint32_t ColorFocus() const { return FColorFocus; }
    void SetColorFocus(uint32_t value);
    int FocusLineWidth() const { return FFocusLineWidth; }
    void SetFocusLineWidth(int value);
    TDrawType OverDrawType() const { return FOverDrawType; }
    void SetOverDrawType(TDrawType value);
    // 0 switches the state frame off; any other value draws it. Stored without a repaint.
    int OverDrawAlpha() const { return FOverDrawAlpha; }
    void SetOverDrawAlpha(int value) { FOverDrawAlpha = value; }
    // Names of the face images in the graphic source (normal, pressed, hover). A name the
    // source cannot give leaves no image.
    const std::string& FaceFlat() const { return FFaceFlat.Name; }
    void SetFaceFlat(const std::string& name);
    const std::string& FaceDown() const { return FFaceDown.Name; }
    void SetFaceDown(const std::string& name);
    const std::string& FaceOver() const { return FFaceOver.Name; }
    void SetFaceOver(const std::string& name);
    // True: face images take the font colour, keeping their alpha. Stored without a repaint.
    bool FaceMonoColor() const { return FFaceMonoColor; }
    void SetFaceMonoColor(bool value) { FFaceMonoColor = value; }
    // Raised by every change that needs a repaint.
    std::function<void()> OnChanged;

    // The colour around the shape (the owning control's colour).
    uint32_t BackColor() const { return FBackColor; }
    void SetBackColor(uint32_t value);
    // "\" breaks the line.
    const std::string& Caption() const { return FCaption; }
    void SetCaption(const std::string& value);
    const TFont& Font() const { return FFont; }
    void SetFont(const TFont& value);
    // A new state recomposes the face on the next paint.
    TButtonState State() const { return FState; }
    void SetState(TButtonState value);

    // Position on the form and size in logical pixels; resizes the bitmaps and recaptures
    // the background on the next paint. Negative sizes count as 0.
    void SetBounds(int left, int top, int width, int height);
    int Left() const { return FLeft; }
    int Top() const { return FTop; }
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    // The largest device pixel ratio the face is made for; above it the face of this
    // ratio is what the screen gets to enlarge.
    static constexpr double MaxScale = 2;
    // Device pixels per logical pixel of the face: 1 by default. A ratio that is not
    // positive counts as 1, one above MaxScale as MaxScale. A new scale resizes the bitmaps
    // and recaptures the background on the next paint, without raising OnChanged (a control
    // learns its ratio while it paints).
    double Scale() const { return FScale; }
    void SetScale(double ratio);
    // The shape in work-bitmap coordinates (twice the button's logical size).
    const TRect& ShapeRect() const { return FShape; }
    // The shape's region in face-bitmap (device) pixels, or nullptr without Region; at
    // Scale 1 these are button coordinates.
    const TRegion* RegionShape() const { return FRegion.get(); }

    bool Dirty() const { return FDirty; }
    bool BackgroundReady() const { return FBackgroundReady; }
    // Recomposes the face when Dirty, first capturing the background from surface (the
    // form's image at the same Scale, button at (Left, Top) in logical pixels) when it is not
    // ready. A null surface gives the back colour as background.
    void Compose(const TBitmap* surface);
    // Compose, then copies the face onto surface (at the same Scale) at (Left, Top), inside
    // the region if any.
    void Paint(TBitmap& surface);
    // Base bitmap := background (from surface with TransParent, else the back colour) with
    // the face colour in the shape.
    void CaptureBackground(const TBitmap* surface);

    // Both DeviceLength(Width, Scale) × DeviceLength(Height, Scale) pixels.
    const TBitmap& FaceBitmap() const { return FFaceBitmap; }
    const TBitmap& BaseBitmap() const { return FBaseBitmap; }

private:
    struct TFaceImage {
        std::string Name;
        std::unique_ptr<TBitmap> Image;  // 32-bit copy, the key colour made transparent
    };
    void Changed();
    void ShapeChanged();
    enum class Recapture : bool { No, Yes };
    // Stores a differing value, clears BackgroundReady when the background depends on it,
    // and raises Changed.
    template <typename T>
    void SetField(T& field, const T& value, Recapture recapture = Recapture::No) {
        if (field == value)
            return;
        field = value;
        if (recapture == Recapture::Yes)
            FBackgroundReady = false;
        Changed();
    }
    void SetFace(TFaceImage& face, const std::string& name);
    void AllocateBitmaps();
    void UpdateGeometry();
    int Device(int logical) const;
    // The work drawing brought to the face's size: taken as it is at the same size, else
    // reduced (at ratio 1: halved) into a bitmap of its own.
    const TBitmap& WorkAtFaceSize();
    TPoint ClockPoint(int hour) const;
    void ArcInset(TCanvas& canvas, uint32_t color, int inset, int fromHour, int toHour) const;
    void DrawFaceImage();
    void DrawStateOverlay();
    void DrawCaption();
    void DrawBevel();
    void DrawShadowPass(TCanvas& canvas);
    void DrawHighlightPass(TCanvas& canvas);

    TButtonShape FStyle = TButtonShape::Box;
    bool FFlat = false;
    bool FSquare = false;
    bool FTextAntialiasing = true;
    bool FTextEmboss = false;
    bool FTransParent = false;
    TAlignment FAlignment = TAlignment::Centre;
    uint32_t FColor = 0xFFFFFF;
    uint32_t FColorDown = 0x000000;
    uint32_t FColorOver = 0x60A0FF;
    uint32_t FColorFocus = 0xFFA080;
    int FFocusLineWidth = 4;
    TDrawType FOverDrawType = TDrawType::Multiply;
    int FOverDrawAlpha = 255;
    TFaceImage FFaceFlat, FFaceDown, FFaceOver;
    bool FFaceMonoColor = false;

    int FLeft = 0;
    int FTop = 0;
    int FWidth = 0;
    int FHeight = 0;
    double FScale = 1;
    uint32_t FBackColor = 0xFFFFFF;
    std::string FCaption;
    TFont FFont;
    TButtonState FState = TButtonState::Normal;
    bool FDirty = true;
    bool FBackgroundReady = false;
    TBitmap FFaceBitmap{0, 0, TPixelFormat::Bits32};
    TBitmap FBaseBitmap{0, 0, TPixelFormat::Bits32};
    TBitmap FWorkBitmap{0, 0, TPixelFormat::Bits32};
    std::unique_ptr<TBitmap> FReducedBitmap;
    TRect FShape;
    std::unique_ptr<TRegion> FRegion;
};

// The caption's lines: split at every "\".
std::vector<std::string> CaptionLines(const std::string& caption);
// The caption as drawn: "&&" becomes "&", a single "&" (the accelerator mark) is dropped.
std::string CaptionWithoutPrefix(const std::string& caption);
// The accelerator key of a caption: the upper-case single-byte character after a single
// "&", or 0 when there is none.
char CaptionAccelerator(const std::string& caption);
// The captions of the minimise and close buttons in the window-glyph font (the letters the
// stored captions use), which the button draws as shapes.
constexpr char MinimiseGlyph = '0';
constexpr char CloseGlyph = 'r';
// True for the names of the window-glyph font, whose characters MinimiseGlyph and
// CloseGlyph the button draws as shapes.
bool IsWindowGlyphFont(const std::string& fontName);
