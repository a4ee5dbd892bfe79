#include "ui/WindowBehaviour.h"

#include <QApplication>
#include <QDropEvent>
#include <QGuiApplication>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QUrl>
#include <QWidget>

#include <algorithm>
#include <cstring>

#include "graphics/GraphicWork.h"
#include "graphics/QtText.h"
#include "platform/Compositor.h"
#include "platform/WindowMessages.h"
#include "storage/AppGlobals.h"
#include "storage/Exception.h"
#include "storage/ShiftJis.h"
#include "storage/WindowPlacement.h"

namespace {

// Every live component, so that the end of the session reaches each window's.
std::vector<TWindowBehaviour*>& LiveComponents() {
    static std::vector<TWindowBehaviour*> components;
    return components;
}

TRect ToRect(const QRect& r) { return RectOfSize(r.x(), r.y(), r.width(), r.height()); }

Qt::CursorShape CursorOfEdges(Qt::Edges edges) {
    const bool horizontal = edges & (Qt::LeftEdge | Qt::RightEdge);
    const bool vertical = edges & (Qt::TopEdge | Qt::BottomEdge);
    if (horizontal && vertical) {
        bool falling = edges == (Qt::TopEdge | Qt::LeftEdge) || edges == (Qt::BottomEdge | Qt::RightEdge);
        return falling ? Qt::SizeFDiagCursor : Qt::SizeBDiagCursor;
    }
    return horizontal ? Qt::SizeHorCursor : Qt::SizeVerCursor;
}

// A failure while a window or the session ends: nobody is left to answer a message box.
void WarnOnStandardError(const std::exception& error) { qWarning("%s", qUtf8Printable(ExceptionText(error))); }

}  // namespace

TRect SnapRect(const TRect& window, const TRect& workArea, int distance) {
    if (distance <= 0)
        return window;
    const int width = window.Width();
    const int height = window.Height();
    int left = window.Left;
    int top = window.Top;
    const int d = distance;
    if (workArea.Top - d < window.Top && window.Top < workArea.Top + d)
        top = workArea.Top;
    else if (workArea.Bottom - d < window.Bottom && window.Bottom < workArea.Bottom + d)
        top = workArea.Bottom - height;
    if (workArea.Left - d < window.Left && window.Left < workArea.Left + d)
        left = workArea.Left;
    else if (workArea.Right - d < window.Right && window.Right < workArea.Right + d)
        left = workArea.Right - width;
    return RectOfSize(left, top, width, height);
}

Qt::Edges EdgesAt(TPoint pointer, const TRect& window) {
    Qt::Edges edges;
    if (pointer.Y > window.Top + window.Height() - ResizeBandPx)
        edges |= Qt::BottomEdge;
    else if (pointer.Y < window.Top + ResizeBandPx)
        edges |= Qt::TopEdge;
    if (pointer.X > window.Left + window.Width() - ResizeBandPx)
        edges |= Qt::RightEdge;
    else if (pointer.X < window.Left + ResizeBandPx)
        edges |= Qt::LeftEdge;
    return edges;
}

QRegion MakeRoundRegion(int width, int height, bool round) {
    if (!round)
        return QRegion(0, 0, width, height + 1);
    QRegion region(0, 4, width, height - 8);
    region += QRegion(4, 0, width - 8, height);
    region += QRegion(2, 1, width - 4, height - 2);
    region += QRegion(1, 2, width - 2, height - 4);
    return region;
}

std::vector<TRect> ScreenWorkAreas() {
    std::vector<TRect> areas;
    for (QScreen* screen : QGuiApplication::screens())
        areas.push_back(ToRect(screen->availableGeometry()));
    return areas;
}

TWindowBehaviour::TWindowBehaviour(QWidget* owner, std::string sectionName)
    : QObject(owner), FOwner(owner), FSectionName(std::move(sectionName)) {
    LiveComponents().push_back(this);
    // A window that already stands on the screen keeps the visual it was made with.
    FLayeredCapable = !owner->testAttribute(Qt::WA_WState_Created) && CompositingManagerRunning();
    ApplyTranslucency();
    FLastRect = WindowRect();
    owner->installEventFilter(this);
    // The window's last place stays known even when it goes before its component.
    connect(owner, &QObject::destroyed, this, [this] {
        SavePositionAtEnd();
        FOwner = nullptr;
    });
}

TWindowBehaviour::~TWindowBehaviour() {
    auto& live = LiveComponents();
    live.erase(std::remove(live.begin(), live.end(), this), live.end());
    SavePositionAtEnd();
    if (FOwner)
        FOwner->removeEventFilter(this);
}

void TWindowBehaviour::SavePositionOnce() {
    if (FPositionSavedAtEnd)
        return;
    FPositionSavedAtEnd = true;
    SavePosition();
}

void TWindowBehaviour::SavePositionAtEnd() {
    try {
        SavePositionOnce();
    } catch (const std::exception& error) {
        WarnOnStandardError(error);
    }
}

TRect TWindowBehaviour::WindowRect() const {
    if (!FOwner)
        return FLastRect;
    return ToRect(FOwner->frameGeometry());
}

std::vector<QWidget*> TWindowBehaviour::ChildControls() const {
    std::vector<QWidget*> children;
    if (!FOwner)
        return children;
    for (QWidget* child : FOwner->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (!child->isWindow())
            children.push_back(child);
    return children;
}

void TWindowBehaviour::SetEraseBackGround(bool value) {
    FEraseBackGround = value;
    if (FOwner)
        FOwner->setAttribute(Qt::WA_OpaquePaintEvent, !value);
}

void TWindowBehaviour::SetDragDrop(bool value) {
    FDragDrop = value;
    if (FOwner)
        FOwner->setAcceptDrops(value);
}

void TWindowBehaviour::SetWindowResize(bool value) {
    FWindowResize = value;
    // The cursor shows the band while the pointer hovers over it.
    if (FOwner && value)
        FOwner->setMouseTracking(true);
}

void TWindowBehaviour::SetWindowRound(bool value) {
    FWindowRound = value;
    if (!FOwner || !(FOwner->windowFlags() & Qt::FramelessWindowHint))
        return;
    if (value)
        ApplyRoundRegion();
    else
        FOwner->clearMask();
}

void TWindowBehaviour::ApplyRoundRegion() {
    FOwner->setMask(MakeRoundRegion(FOwner->width(), FOwner->height(), FWindowRound));
    FOwner->update();
}

void TWindowBehaviour::SetStacking(TStacking value) {
    if (value == FStacking)
        return;
    FStacking = value;
    if (!FOwner)
        return;
    // Changing the flags takes the window off the screen; it comes back as it was.
    const bool visible = FOwner->isVisible();
    FOwner->setWindowFlag(Qt::WindowStaysOnTopHint, value == TStacking::Top);
    FOwner->setWindowFlag(Qt::WindowStaysOnBottomHint, value == TStacking::Bottom);
    if (visible)
        FOwner->show();
    if (value == TStacking::Top)
        FOwner->raise();
    else if (value == TStacking::Bottom)
        FOwner->lower();
}

void TWindowBehaviour::SetLayered(bool value) {
    FLayered = value;
    ApplyTranslucency();
}

void TWindowBehaviour::ApplyTranslucency() {
    if (FOwner && !FOwner->testAttribute(Qt::WA_WState_Created))
        FOwner->setAttribute(Qt::WA_TranslucentBackground, Layered());
}

void TWindowBehaviour::LoadPosition() {
    FPositionLoaded = true;
    if (!FOwner)
        return;
    if (FPreserve) {
        TAppGlobals& globals = AppGlobals();
        QScreen* primary = QGuiApplication::primaryScreen();
        const QSize screen = primary ? primary->geometry().size() : QSize(0, 0);
        if (FKeepLocation) {
            int left = globals.ReadInteger(FSectionName, "LEFT", (screen.width() - FOwner->width()) / 2);
            int top = globals.ReadInteger(FSectionName, "TOP", (screen.height() - FOwner->height()) / 2);
            FOwner->move(left, top);
        }
        if (FKeepSize) {
            int width = globals.ReadInteger(FSectionName, "WIDTH", FOwner->width());
            int height = globals.ReadInteger(FSectionName, "HEIGHT", FOwner->height());
            // A size that no window can have leaves the window as designed.
            if (width > 0 && height > 0 && width <= MaxImageSide && height <= MaxImageSide)
                FOwner->resize(width, height);
        }
        FDockSiteName = globals.ReadString(FSectionName, "DOCKSITE", "");
        const TRect now = WindowRect();
        const TRect placed = EnsureOnMonitor(now, ScreenWorkAreas(), screen.width(), screen.height());
        if (placed != now) {
            FOwner->move(placed.Left, placed.Top);
            FOwner->resize(placed.Width(), placed.Height());
        }
        RememberRect();
    }
    FDesignClientWidth = FOwner->width();
    FDesignClientHeight = FOwner->height();
}

void TWindowBehaviour::SavePosition() {
    if (!FPreserve)
        return;
    const TRect rect = FMaximized ? FNormalRect : WindowRect();
    TAppGlobals& globals = AppGlobals();
    if (FKeepLocation) {
        globals.WriteInteger(FSectionName, "TOP", rect.Top);
        globals.WriteInteger(FSectionName, "LEFT", rect.Left);
    }
    if (FKeepSize) {
        globals.WriteInteger(FSectionName, "WIDTH", rect.Width());
        globals.WriteInteger(FSectionName, "HEIGHT", rect.Height());
    }
    globals.WriteString(FSectionName, "DOCKSITE", FDockSiteName);
}

void TWindowBehaviour::RememberRect() {
    if (!FOwner)
        return;
    FLastRect = WindowRect();
    if (!FMaximized && !FOwner->isMaximized())
        FNormalRect = FLastRect;
}

void TWindowBehaviour::ShowBitmap(const TBitmap& bitmap, int x, int y) {
    if (!FOwner)
        return;
    const std::vector<QWidget*> children = ChildControls();
    if (FChildPositions.empty())
        for (QWidget* child : children)
            FChildPositions.push_back({child, child->pos()});
    if (!FComposedBitmap)
        FComposedBitmap = std::make_unique<TBitmap>(0, 0, TPixelFormat::pf32bit);

    const TBitmap* source = &bitmap;
    TBitmap keyed;
    if (!bitmap.Is32Bit()) {
        keyed = bitmap;
        keyed.SetPixelFormat(TPixelFormat::pf32bit);
        SetAlphaByColorKey(keyed, 255);
        source = &keyed;
    }
    const bool layered = Layered();
    const TDrawType mode = layered ? TDrawType::dtLayered : TDrawType::dtCopy;
    int dx = 0;
    int dy = 0;
    if (FBGrelocation) {
        const TRect opaque = GetOpaqueBounds(*source);
        dx = (source->Width() - FDesignClientWidth) / 2 - opaque.Left;
        dy = (source->Height() - FDesignClientHeight) / 2 - opaque.Top;
        FComposedBitmap->SetSize(opaque.Width(), opaque.Height());
        DrawBlend(-opaque.Left, -opaque.Top, *FComposedBitmap, *source, mode);
    } else {
        FComposedBitmap->SetSize(source->Width(), source->Height());
        DrawBlend(0, 0, *FComposedBitmap, *source, mode);
    }

    if (layered) {
        UpdateLayered(x, y);
        FComposedBitmap->SetSize(0, 0);
        return;
    }

    FLayeredImage = QImage();
    CutWindowTo(128);
    // A window cannot be smaller than one pixel; the mask hides that pixel.
    FOwner->setGeometry(x, y, std::max(1, FComposedBitmap->Width()), std::max(1, FComposedBitmap->Height()));
    for (const TChildPosition& recorded : FChildPositions) {
        if (!recorded.Child)
            continue;
        if (FBGrelocation)
            recorded.Child->move(recorded.Position + QPoint(dx, dy));
        SendWindowMessage(recorded.Child, UM_BACKGROUND, reinterpret_cast<intptr_t>(FComposedBitmap.get()));
    }
    FOwner->update();
}

void TWindowBehaviour::CutWindowTo(int alphaThreshold) {
    FRegion.MakeFromBitmap(*FComposedBitmap, alphaThreshold);
    // An empty mask would mean no mask at all, showing the whole window; a region that lies
    // outside the window shows none of it, as a fully transparent image should.
    FOwner->setMask(FRegion.Handle().isEmpty() ? QRegion(-1, -1, 1, 1) : FRegion.Handle());
}

void TWindowBehaviour::UpdateLayered(int x, int y) {
    const int width = FComposedBitmap->Width();
    const int height = FComposedBitmap->Height();
    QImage image(std::max(1, width), std::max(1, height), QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) {
        QMessageBox::critical(FOwner, QString(), QtLiteral("画像のためのメモリが足りません"));
        return;
    }
    image.fill(Qt::transparent);
    // The composed rows hold blue, green, red, alpha premultiplied: the memory layout of
    // Format_ARGB32_Premultiplied on this little-endian machine.
    for (int row = 0; row < height; ++row)
        std::memcpy(image.scanLine(row), FComposedBitmap->ScanLine(row), static_cast<size_t>(width) * 4);
    FLayeredImage = std::move(image);
    // Clicks on fully transparent pixels reach what lies below, as on a per-pixel-alpha
    // window; every pixel with some alpha still shows, so the soft edges stay.
    CutWindowTo(1);
    FOwner->setGeometry(x, y, FLayeredImage.width(), FLayeredImage.height());
    FOwner->update();
    FLayeredReady = true;
}

void TWindowBehaviour::PaintBackground() {
    QPainter painter(FOwner);
    if (!FLayeredImage.isNull()) {
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(0, 0, FLayeredImage);
    } else if (FComposedBitmap && !FComposedBitmap->Empty()) {
        // The region cuts the shape; inside it the colours are shown without their alpha.
        QImage image(FComposedBitmap->ScanLine(0), FComposedBitmap->Width(), FComposedBitmap->Height(),
                     FComposedBitmap->RowStride(), QImage::Format_RGB32);
        painter.drawImage(0, 0, image);
    }
}

void TWindowBehaviour::SnapToWorkArea() {
    if (OnWindowMoved)
        OnWindowMoved(this);
    if (FFitScreenPx == 0 || !FOwner)
        return;
    const TRect window = WindowRect();
    const TRect snapped = SnapRect(window, WorkAreaOf(window, ScreenWorkAreas()), FFitScreenPx);
    if (snapped != window)
        FOwner->move(snapped.Left, snapped.Top);
    RememberRect();
}

bool TWindowBehaviour::BeginDragMove(QPoint p) {
    bool dragMove = true;
    for (QWidget* child : ChildControls()) {
        const QRect c = child->geometry();
        if (c.left() < p.x() && p.x() < c.left() + c.width() && c.top() < p.y() && p.y() < c.top() + c.height())
            dragMove = false;
    }
    if (OnCanDragMove)
        OnCanDragMove(this, p.x(), p.y(), dragMove);
    return dragMove;
}

bool TWindowBehaviour::HandleMouse(QEvent* event) {
    auto* mouse = static_cast<QMouseEvent*>(event);
    const QPoint global = mouse->globalPosition().toPoint();
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        if (mouse->button() != Qt::LeftButton)
            return false;
        FDragArmed = true;
        FPressSeen = true;
        FPressGlobal = global;
        FStartPos = FOwner->pos();
        FStartGeometry = FOwner->geometry();
        if (FWindowResize) {
            Qt::Edges edges = EdgesAt({global.x(), global.y()}, WindowRect());
            if (edges) {
                FResizing = edges;
                return true;  // a press in the band belongs to the frame, not to the window
            }
        }
        return false;
    case QEvent::MouseMove: {
        const bool leftOnly = mouse->buttons() == Qt::LeftButton && mouse->modifiers() == Qt::NoModifier;
        if (FResizing || FDragging) {
            if (!(mouse->buttons() & Qt::LeftButton)) {
                EndMoveOrResize();
                return true;
            }
            const QPoint delta = global - FPressGlobal;
            if (FDragging) {
                FOwner->move(FStartPos + delta);
            } else {
                QRect r = FStartGeometry;
                if (FResizing & Qt::LeftEdge)
                    r.setLeft(std::min(r.left() + delta.x(), r.right()));
                if (FResizing & Qt::RightEdge)
                    r.setRight(std::max(r.right() + delta.x(), r.left()));
                if (FResizing & Qt::TopEdge)
                    r.setTop(std::min(r.top() + delta.y(), r.bottom()));
                if (FResizing & Qt::BottomEdge)
                    r.setBottom(std::max(r.bottom() + delta.y(), r.top()));
                FOwner->setGeometry(r);
            }
            return true;
        }
        if (FWindowResize && mouse->buttons() == Qt::NoButton) {
            Qt::Edges edges = EdgesAt({global.x(), global.y()}, WindowRect());
            if (edges)
                FOwner->setCursor(CursorOfEdges(edges));
            else
                FOwner->unsetCursor();
        }
        if (FWindowDrag && FDragArmed && leftOnly) {
            if (BeginDragMove(FOwner->mapFromGlobal(global))) {
                // The point that was pressed stays under the pointer while the window moves.
                if (!FPressSeen) {
                    FPressGlobal = global;
                    FStartPos = FOwner->pos();
                }
                FDragging = true;
                FOwner->move(FStartPos + (global - FPressGlobal));
                return true;
            }
            FDragArmed = false;
        }
        return false;
    }
    case QEvent::MouseButtonRelease:
        FPressSeen = false;
        if (FDragging || FResizing) {
            EndMoveOrResize();
            return true;
        }
        return false;
    default:
        return false;
    }
}

void TWindowBehaviour::EndMoveOrResize() {
    FDragging = false;
    FResizing = {};
    FPressSeen = false;
    SnapToWorkArea();
}

void TWindowBehaviour::HandleDrop(QEvent* event) {
    auto* drop = static_cast<QDropEvent*>(event);
    FDroppedNames.Clear();
    if (!FDragDrop)
        return;
    drop->acceptProposedAction();
    for (const QUrl& url : drop->mimeData()->urls()) {
        if (!url.isLocalFile())
            continue;
        const std::string name = ProgramPath(url.toLocalFile().toStdString());
        if (OnDropFile)
            OnDropFile(this, name);
        if (FDropNamesEnabled)
            FDroppedNames.Add(name);
    }
    if (OnDropFinish)
        OnDropFinish(this);
}

void TWindowBehaviour::EndSession() {
    if (FSessionEnded)
        return;
    FSessionEnded = true;
    if (OnEndSession)
        OnEndSession(this);
    // The session ends whatever happens here: the window's own saving must still run.
    try {
        SavePositionOnce();
    } catch (const std::exception& error) {
        WarnOnStandardError(error);
    }
    if (OnOwnerDestroy)
        OnOwnerDestroy(this);
}

bool TWindowBehaviour::eventFilter(QObject* watched, QEvent* event) {
    if (watched != FOwner)
        return false;
    switch (event->type()) {
    case QEvent::Move:
        RememberRect();
        return false;
    case QEvent::Resize:
        if (FWindowRound && !FOwner->isMinimized() && (FOwner->windowFlags() & Qt::FramelessWindowHint))
            ApplyRoundRegion();
        RememberRect();
        return false;
    case QEvent::WindowStateChange:
        FMaximized = FOwner->isMaximized();
        if (!FMaximized)
            RememberRect();
        return false;
    case QEvent::Paint:
        PaintBackground();
        if (OnEraseBackGround)
            OnEraseBackGround(this);
        return false;
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove:
    case QEvent::MouseButtonRelease:
        return HandleMouse(event);
    case QEvent::Hide:
        if (FDragging || FResizing) {
            FDragging = false;
            FResizing = {};
        }
        [[fallthrough]];
    case QEvent::Show:
        if (!FPositionLoaded)
            LoadPosition();
        return false;
    case QEvent::DragEnter:
    case QEvent::DragMove:
        if (FDragDrop && static_cast<QDropEvent*>(event)->mimeData()->hasUrls()) {
            static_cast<QDropEvent*>(event)->acceptProposedAction();
            return true;
        }
        return false;
    case QEvent::Drop:
        HandleDrop(event);
        return true;
    default:
        if (event->type() == TWindowMessageEvent::EventType() &&
            static_cast<TWindowMessageEvent*>(event)->Message() == UM_COLORRESET && OnColorReset)
            OnColorReset(this);
        return false;
    }
}

void BroadcastEndSession() {
    // A handler may close windows and so end components; walk a copy and skip the gone.
    std::vector<QPointer<TWindowBehaviour>> components;
    for (TWindowBehaviour* component : LiveComponents())
        components.emplace_back(component);
    for (const QPointer<TWindowBehaviour>& component : components)
        if (component)
            component->EndSession();
}
