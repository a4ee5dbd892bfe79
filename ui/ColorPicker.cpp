#include "ui/ColorPicker.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QSlider>
#include <QTransform>
#include <algorithm>

#include "graphics/Bitmap.h"
#include "storage/ColorConvert.h"
#include "storage/Geometry.h"
#include "storage/Text.h"
#include "storage/TextUtils.h"
#include "ui/DialogSupport.h"

namespace {

constexpr int FrameWidth = 259;
constexpr int FrameHeight = 374;

// Non-negative remainder: a negative number has the divisor added until it is not.
int Wrap(int value, int divisor) {
    const int rest = value % divisor;
    return rest < 0 ? rest + divisor : rest;
}

int NumberIn(const QLineEdit* edit) { return ParseIntOr(ProgramText(edit->text()), 0); }

}  // namespace

// ---- TColorShape

TColorShape::TColorShape(QWidget* parent, uint32_t outline) : QWidget(parent), FOutline(outline) {
    setAcceptDrops(true);
}

void TColorShape::SetColor(uint32_t color) {
    FColor = color & 0xFFFFFF;
    update();
}

void TColorShape::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    DrawColorSquare(painter, rect(), devicePixelRatioF(), FColor, FOutline);
}

void TColorShape::mousePressEvent(QMouseEvent* event) {
    if (OnMouseDown && isEnabled())
        OnMouseDown();
    QWidget::mousePressEvent(event);
}

void TColorShape::dragEnterEvent(QDragEnterEvent* event) {
    if (OnDragOver && OnDragOver(event))
        event->acceptProposedAction();
}

void TColorShape::dragMoveEvent(QDragMoveEvent* event) {
    if (OnDragOver && OnDragOver(event))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TColorShape::dropEvent(QDropEvent* event) {
    if (OnDrop && OnDragOver && OnDragOver(event)) {
        OnDrop(event);
        event->acceptProposedAction();
    }
}

void DrawColorSquare(QPainter& painter, const QRect& rect, double ratio, uint32_t color, uint32_t outline) {
    auto at = [ratio](int logical) { return DeviceLength(logical, ratio); };
    const QRect square(QPoint(at(rect.left()), at(rect.top())),
                       QPoint(at(rect.right() + 1) - 1, at(rect.bottom() + 1) - 1));
    const int line = at(1);
    painter.save();
    // Device pixels: the painter's own scaling is undone, so that edges fall on whole pixels.
    painter.setWorldTransform(QTransform::fromScale(1 / ratio, 1 / ratio));
    painter.fillRect(square, QtColor(color));
    const QColor edge = QtColor(outline);
    painter.fillRect(QRect(square.left(), square.top(), square.width(), line), edge);
    painter.fillRect(QRect(square.left(), square.bottom() + 1 - line, square.width(), line), edge);
    painter.fillRect(QRect(square.left(), square.top(), line, square.height()), edge);
    painter.fillRect(QRect(square.right() + 1 - line, square.top(), line, square.height()), edge);
    painter.restore();
}

// ---- TColorField

TColorField::TColorField(QWidget* parent) : QWidget(parent) {}

void TColorField::Redraw(int hue, int saturation, int value) {
    const int w = width();
    const int h = height();
    if (w < 2 || h < 2)
        return;
    FValue = value;
    RenderField();
    FMark = QPoint(hue * (w - 1) / 359, h - saturation * (h - 1) / 100);
    update();
}

// The field in device pixels, so that it is as fine as the screen.
void TColorField::RenderField() {
    const double ratio = devicePixelRatioF();
    const int dw = DeviceLength(width(), ratio), dh = DeviceLength(height(), ratio);
    const int value = FValue;
    if (FImage.size() != QSize(dw, dh))
        FImage = QImage(dw, dh, QImage::Format_RGB32);
    FImage.setDevicePixelRatio(ratio);
    for (int y = 0; y < dh; ++y) {
        auto* row = reinterpret_cast<QRgb*>(FImage.scanLine(y));
        const int rowSaturation = 100 - y * 100 / (dh - 1);
        for (int x = 0; x < dw; ++x) {
            const TRgb rgb = HsvToRgb(x * 359 / (dw - 1), rowSaturation, value);
            row[x] = qRgb(rgb.R, rgb.G, rgb.B);
        }
    }
}

void TColorField::paintEvent(QPaintEvent*) {
    // Moved to a screen of another ratio: the field is made again for it.
    if (!FImage.isNull() && FImage.devicePixelRatio() != devicePixelRatioF())
        RenderField();
    QPainter painter(this);
    painter.drawImage(0, 0, FImage);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(Qt::white);
    painter.drawEllipse(FMark, 5, 5);
    painter.setPen(Qt::black);
    painter.drawEllipse(FMark, 4, 4);
}

void TColorField::mousePressEvent(QMouseEvent* event) {
    if (!isEnabled())
        return;
    FDragging = true;
    if (OnPick)
        OnPick(event->position().toPoint().x(), event->position().toPoint().y());
}

void TColorField::mouseMoveEvent(QMouseEvent* event) {
    if (!FDragging || !OnPick)
        return;
    const QPoint at = event->position().toPoint();
    OnPick(std::clamp(at.x(), 0, width() - 1), std::clamp(at.y(), 0, height() - 1));
}

void TColorField::mouseReleaseEvent(QMouseEvent*) { FDragging = false; }

// ---- TColorPicker

const uint32_t TColorPicker::PaletteColors[30] = {
    0xE0E0FF, 0xE0FFFF, 0xE0FFE0, 0xFFFFE0, 0xFFE0E0, 0xFFE0FF, 0x00A0FF, 0x80E0E0, 0x80E080, 0xE0E080,
    0xFF8080, 0xFF80FF, 0x0000FF, 0x00FFFF, 0x00FF00, 0xFFFF00, 0xFF0000, 0xFF00FF, 0x000080, 0x008080,
    0x008000, 0x808000, 0x800000, 0x800080, 0x000000, 0x606060, 0x808080, 0xC0C0C0, 0xE0E0E0, 0xFFFFFF,
};

TColorPicker::TColorPicker(QWidget* parent) : QFrame(parent) {
    setObjectName("picker");
    setFixedSize(FrameWidth, FrameHeight);
    FSwatch = new TColorShape(this);
    FSwatch->setObjectName("swatch");
    FSwatch->setGeometry(8, 8, 75, 75);
    FRgbText = AddLabelledEdit("rgbText", "RGB値", 192, 7, 60);
    QFont fixedPitch(QtText("ＭＳ ゴシック"));
    fixedPitch.setPixelSize(12);
    FRgbText->setFont(fixedPitch);
    FRedEdit = AddLabelledEdit("redEdit", "赤(R)", 139, 28, 28);
    FGreenEdit = AddLabelledEdit("greenEdit", "緑(G)", 139, 48, 28);
    FBlueEdit = AddLabelledEdit("blueEdit", "青(B)", 139, 68, 28);
    FHueEdit = AddLabelledEdit("hueEdit", "色相(H)", 224, 28, 28);
    FSaturationEdit = AddLabelledEdit("saturationEdit", "彩度(S)", 224, 48, 28);
    FValueEdit = AddLabelledEdit("valueEdit", "明度(V)", 224, 68, 28);
    FColorField = new TColorField(this);
    FColorField->setObjectName("colorField");
    FColorField->setGeometry(8, 96, 200, 196);
    FColorField->OnPick = [this](int x, int y) { Pick(x, y); };
    FBrightnessSlider = new QSlider(Qt::Vertical, this);
    FBrightnessSlider->setObjectName("brightnessSlider");
    FBrightnessSlider->setGeometry(219, 88, 33, 209);
    // Position 0 (brightness 100) at the top, as the brightest value belongs there: a
    // vertical QSlider puts its minimum at the bottom unless its appearance is inverted,
    // and its keys and wheel follow only when its controls are inverted too.
    FBrightnessSlider->setRange(0, 100);
    FBrightnessSlider->setInvertedAppearance(true);
    FBrightnessSlider->setInvertedControls(true);
    FBrightnessSlider->setTickInterval(5);
    FBrightnessSlider->setTickPosition(QSlider::TicksBothSides);
    connect(FBrightnessSlider, &QSlider::valueChanged, this, [this] { BrightnessSliderChange(); });
    for (QLineEdit* edit : {FHueEdit, FSaturationEdit, FValueEdit})
        connect(edit, &QLineEdit::editingFinished, this, [this] { HsvEditDone(); });
    for (QLineEdit* edit : {FRedEdit, FGreenEdit, FBlueEdit})
        connect(edit, &QLineEdit::editingFinished, this, [this] { RgbEditDone(); });
    connect(FRgbText, &QLineEdit::editingFinished, this, [this] { RgbTextDone(); });
}

QLineEdit* TColorPicker::AddLabelledEdit(const char* name, const char* label, int left, int top, int width) {
    auto* edit = new QLineEdit(this);
    edit->setObjectName(name);
    edit->setGeometry(left, top, width, 19);
    edit->setTextMargins(0, 0, 0, 0);
    auto* caption = new QLabel(QtText(label), this);
    caption->adjustSize();
    caption->move(left - caption->width() - 3, top + (19 - caption->height()) / 2);
    caption->setBuddy(edit);
    return edit;
}

void TColorPicker::BuildPalette() {
    if (!FPalette.empty())
        return;
    const int imageTop = FColorField->y();
    const int imageHeight = FColorField->height();
    const int a = (width() - 12) / 6;
    const int b = (height() - imageTop - imageHeight - 16) / 5;
    for (int j = 0; j < 5; ++j)
        for (int k = 0; k < 6; ++k) {
            auto* swatch = new TColorShape(this);
            swatch->setGeometry(a * k + 8, b * j + imageTop + imageHeight + 8, a - 1, b - 1);
            swatch->SetColor(PaletteColors[j * 6 + k]);
            swatch->OnMouseDown = [this, swatch] { SetColor(swatch->Color()); };
            swatch->show();
            FPalette.push_back(swatch);
        }
}

void TColorPicker::SetColor(uint32_t color) { SetRGB(RedOf(color), GreenOf(color), BlueOf(color)); }

void TColorPicker::SetRGB(int r, int g, int b) {
    r = std::clamp(r, 0, 255);
    g = std::clamp(g, 0, 255);
    b = std::clamp(b, 0, 255);
    const THsv hsv = RgbToHsv(r, g, b);
    FRedEdit->setText(QString::number(r));
    FGreenEdit->setText(QString::number(g));
    FBlueEdit->setText(QString::number(b));
    FHueEdit->setText(QString::number(hsv.H));
    FSaturationEdit->setText(QString::number(hsv.S));
    FValueEdit->setText(QString::number(hsv.V));
    FColor = RGB(r, g, b);
    Redraw(hsv.H, hsv.S, hsv.V);
    FSwatch->SetColor(FColor);
}

void TColorPicker::SetHSV(int h, int s, int v) {
    h = Wrap(h, 360);
    s = Wrap(s, 101);
    v = Wrap(v, 101);
    const TRgb rgb = HsvToRgb(h, s, v);
    FRedEdit->setText(QString::number(rgb.R));
    FGreenEdit->setText(QString::number(rgb.G));
    FBlueEdit->setText(QString::number(rgb.B));
    FHueEdit->setText(QString::number(h));
    FSaturationEdit->setText(QString::number(s));
    FValueEdit->setText(QString::number(v));
    SetColor(RGB(rgb.R, rgb.G, rgb.B));
}

void TColorPicker::SetPickerEnabled(bool enabled) {
    for (QWidget* control :
         std::initializer_list<QWidget*>{FBrightnessSlider, FRgbText, FRedEdit, FGreenEdit, FBlueEdit, FHueEdit,
                                         FSaturationEdit, FValueEdit, FColorField})
        control->setEnabled(enabled);
}

void TColorPicker::Redraw(int h, int s, int v) {
    FHue = h;
    FSaturation = s;
    FValue = v;
    FColorField->Redraw(h, s, v);
    FRgbText->setText(QString::asprintf("%6.6X", static_cast<unsigned>(SwapRB(FColor) & 0xFFFFFF)));
    const QSignalBlocker quiet(FBrightnessSlider);
    FBrightnessSlider->setValue(100 - v);
}

void TColorPicker::Pick(int x, int y) {
    const int w = FColorField->width();
    const int h = FColorField->height();
    FHue = x * 359 / (w - 1);
    FSaturation = 100 - y * 100 / (h - 1);
    SetHSV(FHue, FSaturation, 100 - FBrightnessSlider->value());
}

void TColorPicker::BrightnessSliderChange() {
    const int v = 100 - FBrightnessSlider->value();
    if (v != FValue) {
        FValue = v;
        SetHSV(FHue, FSaturation, v);
    }
}

void TColorPicker::HsvEditDone() { SetHSV(NumberIn(FHueEdit), NumberIn(FSaturationEdit), NumberIn(FValueEdit)); }

void TColorPicker::RgbEditDone() { SetRGB(NumberIn(FRedEdit), NumberIn(FGreenEdit), NumberIn(FBlueEdit)); }

void TColorPicker::RgbTextDone() {
    std::string text = "$";
    text += ProgramText(FRgbText->text().trimmed());
    const int32_t value = ParseIntOr(text, 0xFFFFFF);
    SetColor(SwapRB(static_cast<uint32_t>(value)));
}
