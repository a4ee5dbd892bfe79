#include "ui/DrawnButton.h"

#include <QEnterEvent>
#include <QImage>
#include <QKeySequence>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QShortcut>
#include <QTimer>
#include <QTransform>

#include "graphics/QtText.h"
#include "storage/Text.h"

namespace {

constexpr int RepeatDelayMs = 500;  // first repeated click after holding this long
constexpr int RepeatPeriodMs = 80;  // then one click per period

// What a screen reader says for the button: the caption, or the meaning of a window glyph.
QString AccessibleCaption(const std::string& caption, const TFont& font) {
    std::string shown = CaptionWithoutPrefix(caption);
    if (IsWindowGlyphFont(font.Name)) {
        if (shown == "0")
            return QtText("最小化");
        if (shown == "r")
            return QtText("閉じる");
    }
    std::string spoken;
    for (const std::string& line : CaptionLines(shown))
        spoken += (spoken.empty() ? "" : " ") + line;
    return QtText(spoken);
}

}  // namespace

TDrawnButton::TDrawnButton(QWidget* owner) : QWidget(owner) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    FPainter.OnChanged = [this] { Paint(); };
    if (owner)
        owner->installEventFilter(this);
    SetBounds(0, 0, 40, 40);
}

TDrawnButton::~TDrawnButton() { FPainter.OnChanged = nullptr; }

void TDrawnButton::Paint() {
    TButtonState state = TButtonState::Normal;
    if (!isEnabled())
        state = TButtonState::Disabled;
    else if (FPressed)
        state = TButtonState::Pressed;
    else if (FHover)
        state = TButtonState::Hover;
    FPainter.SetState(state);
    // Clipped to a shape, the button leaves the rest of its rectangle to the window beneath.
    setAttribute(Qt::WA_OpaquePaintEvent, !FPainter.Region());
    update();
}

void TDrawnButton::paintEvent(QPaintEvent*) {
    FPainter.SetScale(devicePixelRatioF());
    FPainter.Compose(nullptr);
    const TBitmap& face = FPainter.FaceBitmap();
    if (face.Empty())
        return;
    // The face is opaque; its alpha is not looked at. Made in device pixels, it lands on
    // the screen's pixels one to one.
    QImage image(const_cast<TBitmap&>(face).Bits(), face.Width(), face.Height(), face.RowStride(),
                 QImage::Format_RGB32);
    image.setDevicePixelRatio(FPainter.Scale());
    QPainter painter(this);
    if (const TRegion* region = FPainter.RegionShape()) {
        if (FPainter.Scale() == 1) {
            painter.setClipRegion(region->Handle());
        } else {
            // The shape is in device pixels; as a path in logical units it clips along
            // device pixel edges, where a region in logical pixels would be coarser.
            QPainterPath shape;
            shape.addRegion(region->Handle());
            painter.setClipPath(QTransform::fromScale(1 / FPainter.Scale(), 1 / FPainter.Scale()).map(shape));
        }
    }
    painter.drawImage(0, 0, image);
}

void TDrawnButton::SetCaption(const std::string& caption) {
    if (caption == FCaption)
        return;
    FCaption = caption;
    FPainter.SetCaption(caption);
    setAccessibleName(AccessibleCaption(FCaption, FPainter.Font()));
    UpdateAccelerator();
    Paint();
}

void TDrawnButton::SetFont(const TFont& font) {
    FPainter.SetFont(font);
    setAccessibleName(AccessibleCaption(FCaption, FPainter.Font()));
    Paint();
}

void TDrawnButton::SetColor(uint32_t color) {
    FPainter.SetBackColor(color);
    Paint();
}

void TDrawnButton::SetClickRepeat(bool value) {
    if (value == ClickRepeat())
        return;
    if (value) {
        FRepeatTimer = new QTimer(this);
        connect(FRepeatTimer, &QTimer::timeout, this, [this] { RepeatTimerTick(); });
    } else {
        // The repeat's own tick may be what turns it off: the timer goes after its signal.
        FRepeatTimer->stop();
        FRepeatTimer->deleteLater();
        FRepeatTimer = nullptr;
    }
}

void TDrawnButton::SetBounds(int left, int top, int width, int height) {
    setGeometry(left, top, std::max(0, width), std::max(0, height));
    FollowGeometry();
    RememberAnchorDistances();
}

// The drawing's bounds follow every move and resize, however they came about.
void TDrawnButton::FollowGeometry() {
    if (FPainter.Left() == x() && FPainter.Top() == y() && FPainter.Width() == width() &&
        FPainter.Height() == height() && !FPainter.FaceBitmap().Empty())
        return;
    FPainter.SetBounds(x(), y(), width(), height());
    update();
}

void TDrawnButton::moveEvent(QMoveEvent*) { FollowGeometry(); }
void TDrawnButton::resizeEvent(QResizeEvent*) { FollowGeometry(); }

void TDrawnButton::SetAnchors(TAnchors anchors) {
    FAnchors = anchors;
    RememberAnchorDistances();
}

void TDrawnButton::RememberAnchorDistances() {
    if (QWidget* parent = parentWidget()) {
        FRightDistance = parent->width() - (x() + width());
        FBottomDistance = parent->height() - (y() + height());
    }
}

bool TDrawnButton::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parentWidget() && event->type() == QEvent::Resize) {
        QWidget* parent = parentWidget();
        QRect r = geometry();
        if (FAnchors & TAnchor::Right) {
            int right = parent->width() - FRightDistance;
            if (FAnchors & TAnchor::Left)
                r.setWidth(std::max(0, right - r.left()));
            else
                r.moveLeft(right - r.width());
        }
        if (FAnchors & TAnchor::Bottom) {
            int bottom = parent->height() - FBottomDistance;
            if (FAnchors & TAnchor::Top)
                r.setHeight(std::max(0, bottom - r.top()));
            else
                r.moveTop(bottom - r.height());
        }
        if (r != geometry()) {
            setGeometry(r);
            FollowGeometry();  // a hidden control gets its move event only when shown
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TDrawnButton::Click() {
    if (OnClick)
        OnClick();
}

void TDrawnButton::UpdateAccelerator() {
    // A click by the old key may be what changes the caption: the shortcuts go afterwards.
    for (QShortcut* shortcut : {FPlainKey, FAltKey})
        if (shortcut) {
            shortcut->setEnabled(false);
            shortcut->deleteLater();
        }
    FPlainKey = FAltKey = nullptr;
    char key = CaptionAccelerator(FCaption);
    if (key == 0)
        return;
    Qt::Key qtKey = static_cast<Qt::Key>(static_cast<unsigned char>(key));
    // The plain key only reaches the button when the focused control does not take it as
    // text (the shortcut-override step); the Alt key always does.
    FPlainKey = new QShortcut(QKeySequence(qtKey), this);
    FAltKey = new QShortcut(QKeySequence(Qt::ALT | qtKey), this);
    for (QShortcut* shortcut : {FPlainKey, FAltKey}) {
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, [this] { AcceleratorActivated(); });
    }
}

void TDrawnButton::AcceleratorActivated() {
    QWidget* parent = parentWidget();
    if (isEnabled() && isVisible() && (!parent || parent->isVisible()))
        Click();
}

void TDrawnButton::TakeBackground(const TBitmap& composed) {
    FPainter.SetScale(devicePixelRatioF());
    FPainter.CaptureBackground(&composed);
    update();
}

void TDrawnButton::enterEvent(QEnterEvent* event) {
    QWidget::enterEvent(event);
    if (!isEnabled())
        return;
    FHover = true;
    Paint();
}

void TDrawnButton::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    LeaveButton();
}

void TDrawnButton::LeaveButton() {
    if (FRepeatTimer)
        FRepeatTimer->stop();
    if (!isEnabled())
        return;
    FHover = false;
    FPressed = false;
    Paint();
}

void TDrawnButton::mousePressEvent(QMouseEvent* event) {
    QPoint at = event->position().toPoint();
    if (OnMouseDown)
        OnMouseDown(event->button(), event->modifiers(), at.x(), at.y());
    if (event->button() != Qt::LeftButton || !isEnabled())
        return;
    FLeftDown = true;
    if (FPressed)
        return;
    FPressed = true;
    FHover = true;
    if (FRepeatTimer) {
        FRepeatTimer->setInterval(RepeatDelayMs);
        FRepeatTimer->start();
    }
    Paint();
}

// Every click is a click: the second press of a double click presses again.
void TDrawnButton::mouseDoubleClickEvent(QMouseEvent* event) { mousePressEvent(event); }

void TDrawnButton::mouseMoveEvent(QMouseEvent* event) {
    QPoint at = event->position().toPoint();
    if (OnMouseMove)
        OnMouseMove(event->modifiers(), at.x(), at.y());
    // While a button is held the window system sends no leave; leaving is seen here.
    bool inside = rect().contains(at);
    if (!inside && (FHover || FPressed))
        LeaveButton();
    else if (inside && !FHover && isEnabled()) {
        FHover = true;
        Paint();
    }
}

void TDrawnButton::mouseReleaseEvent(QMouseEvent* event) {
    QPoint at = event->position().toPoint();
    bool left = event->button() == Qt::LeftButton;
    if (left && FLeftDown && isEnabled() && rect().contains(at)) {
        QPointer<TDrawnButton> alive(this);
        Click();  // still drawn pressed
        if (!alive)
            return;  // the click closed the button's window at once
    }
    if (left)
        FLeftDown = false;
    if (OnMouseUp)
        OnMouseUp(event->button(), event->modifiers(), at.x(), at.y());
    if (!left || !isEnabled())
        return;
    if (FRepeatTimer)
        FRepeatTimer->stop();
    if (FPressed) {
        FPressed = false;
        Paint();
    }
}

void TDrawnButton::RepeatTimerTick() {
    if (!FPressed || !FRepeatTimer || !FRepeatTimer->isActive())
        return;
    FRepeatTimer->setInterval(RepeatPeriodMs);
    FRepeatTimer->stop();
    QTimer* timer = FRepeatTimer;
    QPointer<TDrawnButton> alive(this);
    Click();
    if (!alive)
        return;
    // The click may have turned the repeat off (the timer is gone then) or released the button.
    if (FRepeatTimer == timer && FPressed)
        FRepeatTimer->start();
}

void TDrawnButton::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() != QEvent::EnabledChange)
        return;
    if (!isEnabled()) {
        FHover = FPressed = FLeftDown = false;
        if (FRepeatTimer)
            FRepeatTimer->stop();
    }
    Paint();
}
