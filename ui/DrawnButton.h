#pragma once
// TDrawnButton: the program's custom push button as a child control. Its look comes from
// its TButtonPainter (Painter); the control adds hover and press states, the click (also by
// the caption's accelerator), the optional click repeat while held, and takes its
// background from the window image (TBackgroundTaker). The face is
// made in device pixels for the ratio of the button's screen (the window image is taken to
// be at that ratio too) and painted one to one.

#include <QFlags>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "graphics/ButtonPainter.h"
#include "ui/WindowImage.h"

class QShortcut;
class QTimer;

// Edges of the parent that the button keeps its distance to when the parent is resized.
enum class TAnchor : uint8_t { Left = 1, Top = 2, Right = 4, Bottom = 8 };
using TAnchors = QFlags<TAnchor>;
Q_DECLARE_OPERATORS_FOR_FLAGS(TAnchors)

class TDrawnButton : public QWidget, public TBackgroundTaker {
public:
    // The window's composed image, valid only during this call.
    void TakeBackground(const TBitmap& composed) override;

    // A 40 × 40 button on owner.
    explicit TDrawnButton(QWidget* owner);
    ~TDrawnButton() override;

    TButtonPainter& Painter() { return FPainter; }
    const TButtonPainter& Painter() const { return FPainter; }
    // Takes the look settings of source into the button's own Painter.
    void SetPainter(const TButtonPainter& source) { FPainter.Assign(source); }

    // "\" breaks the line and "&" marks the accelerator.
    const std::string& Caption() const { return FCaption; }
    void SetCaption(const std::string& caption);
    const TFont& Font() const { return FPainter.Font(); }
    void SetFont(const TFont& font);
    // The control's colour (0x00BBGGRR), shown around the button's shape.
    uint32_t Color() const { return FPainter.BackColor(); }
    void SetColor(uint32_t color);
    bool ClickRepeat() const { return FRepeatTimer != nullptr; }
    void SetClickRepeat(bool value);
    // Left | Top by default.
    TAnchors Anchors() const { return FAnchors; }
    void SetAnchors(TAnchors anchors);
    // Position on the parent and size; the drawing follows.
    void SetBounds(int left, int top, int width, int height);

    bool Hover() const { return FHover; }
    bool Pressed() const { return FPressed; }
    // The repeat timer while ClickRepeat is on, else nullptr.
    const QTimer* RepeatTimer() const { return FRepeatTimer; }
    // The click: OnClick when assigned.
    void Click();

    std::function<void()> OnClick;
    // Button, modifiers and the point in button coordinates.
    std::function<void(Qt::MouseButton, Qt::KeyboardModifiers, int, int)> OnMouseDown;
    std::function<void(Qt::KeyboardModifiers, int, int)> OnMouseMove;
    std::function<void(Qt::MouseButton, Qt::KeyboardModifiers, int, int)> OnMouseUp;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void Paint();
    void RepeatTimerTick();
    void LeaveButton();
    void FollowGeometry();
    void RememberAnchorDistances();
    void UpdateAccelerator();
    void AcceleratorActivated();

    TButtonPainter FPainter;
    std::string FCaption;
    bool FHover = false;
    bool FPressed = false;
    bool FLeftDown = false;  // a left press began on the button; its release over it clicks
    QTimer* FRepeatTimer = nullptr;
    TAnchors FAnchors = TAnchor::Left | TAnchor::Top;
    int FRightDistance = 0;
    int FBottomDistance = 0;
    QShortcut* FPlainKey = nullptr;
    QShortcut* FAltKey = nullptr;
};
