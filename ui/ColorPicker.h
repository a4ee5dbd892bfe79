#pragma once
// TColorPicker: one colour shown as red, green and blue, as hue, saturation and value, as
// six hexadecimal digits, as a point in a hue/saturation field with a brightness slider
// beside it, and a palette of 30 swatches to pick from.

#include <QFrame>
#include <QImage>
#include <cstdint>
#include <functional>
#include <vector>

class QLabel;
class QLineEdit;
class QSlider;
class QDragEnterEvent;
class QPainter;
class QDropEvent;

// A square of colour (0x00BBGGRR) filling rect (logical pixels) with an outline one logical
// pixel wide, its edges on whole device pixels of a screen of device pixel ratio ratio.
void DrawColorSquare(QPainter& painter, const QRect& rect, double ratio, uint32_t color, uint32_t outline);

// A filled rectangle with a one-pixel outline: the colour samples and the palette
// swatches. The owner may let it take drops and may hear presses on it.
class TColorShape : public QWidget {
public:
    explicit TColorShape(QWidget* parent, uint32_t outline = 0x808080);

    uint32_t Color() const { return FColor; }
    void SetColor(uint32_t color);

    // Decides whether a drag over the shape may drop here; null: no drops.
    std::function<bool(const QDropEvent* event)> OnDragOver;
    std::function<void(QDropEvent* event)> OnDrop;
    std::function<void()> OnMouseDown;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    uint32_t FColor = 0xFFFFFF;
    uint32_t FOutline;
};

// The hue/saturation field: hue grows to the right, saturation to the top, all at the
// picker's brightness, with a ring marking the current point.
class TColorField : public QWidget {
public:
    explicit TColorField(QWidget* parent);

    void Redraw(int hue, int saturation, int value);
    // The field in device pixels (devicePixelRatio set).
    const QImage& Image() const { return FImage; }
    QPoint Mark() const { return FMark; }

    std::function<void(int x, int y)> OnPick;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void RenderField();

    QImage FImage;  // in device pixels
    QPoint FMark;
    int FValue = 100;
    bool FDragging = false;
};

class TColorPicker : public QFrame {
public:
    explicit TColorPicker(QWidget* parent = nullptr);

    // Creates the 30 swatches below the field (once, by the owner).
    void BuildPalette();
    void SetColor(uint32_t color);
    void SetRGB(int r, int g, int b);
    void SetHSV(int h, int s, int v);
    void SetPickerEnabled(bool enabled);
    uint32_t Color() const { return FColor; }
    int Hue() const { return FHue; }
    int Saturation() const { return FSaturation; }
    int Value() const { return FValue; }
    const std::vector<TColorShape*>& Palette() const { return FPalette; }
    // The swatch of the picked colour; the owner lets colours be dropped on it.
    TColorShape* Swatch() const { return FSwatch; }

    // The fixed palette colours, row by row (0x00BBGGRR).
    static const uint32_t PaletteColors[30];

private:
    QLineEdit* AddLabelledEdit(const char* name, const char* label, int left, int top, int width);
    void Redraw(int h, int s, int v);
    void Pick(int x, int y);
    void BrightnessSliderChange();
    void HsvEditDone();
    void RgbEditDone();
    void RgbTextDone();

    TColorShape* FSwatch = nullptr;
    QLineEdit* FRgbText = nullptr;
    QLineEdit* FRedEdit = nullptr;
    QLineEdit* FGreenEdit = nullptr;
    QLineEdit* FBlueEdit = nullptr;
    QLineEdit* FHueEdit = nullptr;
    QLineEdit* FSaturationEdit = nullptr;
    QLineEdit* FValueEdit = nullptr;
    TColorField* FColorField = nullptr;
    QSlider* FBrightnessSlider = nullptr;
    uint32_t FColor = 0;
    int FHue = 0;
    int FSaturation = 0;
    int FValue = 0;
    std::vector<TColorShape*> FPalette;
};
