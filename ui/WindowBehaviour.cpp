#include "ui/WindowBehaviour.h"

#include <QWidget>
#include <QWindow>

#include <algorithm>

#include "graphics/QtText.h"
#include "platform/WindowLayerStates.h"
#include "platform/WindowShape.h"
#include "storage/Text.h"
#include "ui/Notices.h"

namespace {

// Every live component, so that the end of the session reaches each window's.
std::vector<TWindowBehaviour*>& LiveComponents() {
    static std::vector<TWindowBehaviour*> components;
    return components;
}

TWindowLayer LayerOf(TStacking stacking) {
    switch (stacking) {
    case TStacking::Top:
        return TWindowLayer::Above;
    case TStacking::Bottom:
        return TWindowLayer::DesktopWidget;
    default:
        return TWindowLayer::Normal;
    }
}

}  // namespace

TStacking StackingOfSetting(int value) {
    switch (value) {
    case 1:
        return TStacking::Top;
    case 2:
        return TStacking::Bottom;
    default:
        return TStacking::Normal;
    }
}

int SettingOfStacking(TStacking stacking) {
    switch (stacking) {
    case TStacking::Top:
        return 1;
    case TStacking::Bottom:
        return 2;
    default:
        return 0;
    }
}

TWindowBehaviour* BehaviourOf(const QWidget* window) {
    for (TWindowBehaviour* component : LiveComponents())
        if (window && component->OwnerControl() == window)
            return component;
    return nullptr;
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

QRegion MakeDeviceRoundRegion(int width, int height, bool round, double ratio) {
    return DeviceRegion(MakeRoundRegion(width, height, round), ratio);
}

TWindowBehaviour::TWindowBehaviour(QWidget* owner, std::string sectionName)
    : QObject(owner), FOwner(owner), FPlacement(owner, std::move(sectionName)), FMover(owner), FImage(owner) {
    LiveComponents().push_back(this);
    ColorsChangedNotice().Listen(this, [this] {
        if (OnColorReset)
            OnColorReset(this);
    });
    FMover.OnCanDragMove = [this](int x, int y, bool& dragMove) {
        if (OnCanDragMove)
            OnCanDragMove(this, x, y, dragMove);
    };
    FMover.OnMoved = [this] {
        if (OnWindowMoved)
            OnWindowMoved(this);
    };
    FMover.OnSnapped = [this] { FPlacement.RememberRect(); };
    owner->installEventFilter(this);
    // The window's last place stays known even when it goes before its component.
    connect(owner, &QObject::destroyed, this, [this] {
        FPlacement.SavePositionAtEnd();
        FPlacement.ForgetWindow();
        FOwner = nullptr;
    });
}

TWindowBehaviour::~TWindowBehaviour() {
    auto& live = LiveComponents();
    live.erase(std::remove(live.begin(), live.end(), this), live.end());
    FPlacement.SavePositionAtEnd();
    if (FOwner)
        FOwner->removeEventFilter(this);
}

void TWindowBehaviour::SetWindowRound(bool value) {
    FWindowRound = value;
    if (!FOwner || !(FOwner->windowFlags() & Qt::FramelessWindowHint))
        return;
    if (value) {
        ApplyRoundRegion();
    } else {
        // A shape set in device pixels is taken off through Qt: a mask set and cleared.
        if (FRoundRatio != 0)
            FOwner->setMask(MakeRoundRegion(FOwner->width(), FOwner->height(), false));
        FRoundRatio = 0;
        FOwner->clearMask();
    }
}

void TWindowBehaviour::ApplyRoundRegion() {
    const double ratio = FOwner->devicePixelRatioF();
    // Qt's mask is logical and comes out in steps of the ratio; on X the shape is set in
    // device pixels instead, once the native window exists (making it here, in the
    // constructor, would fix its visual before the window's settings are all made).
    if (ratio != 1 && FOwner->testAttribute(Qt::WA_WState_Created) &&
        SetDeviceWindowShape(FOwner, MakeDeviceRoundRegion(FOwner->width(), FOwner->height(), FWindowRound, ratio))) {
        FRoundRatio = ratio;
    } else {
        FRoundRatio = 0;
        FOwner->setMask(MakeRoundRegion(FOwner->width(), FOwner->height(), FWindowRound));
    }
    FOwner->update();
}

bool TWindowBehaviour::RoundShapeOutdated() const {
    return FWindowRound && !FOwner->isMinimized() && (FOwner->windowFlags() & Qt::FramelessWindowHint) &&
           FOwner->devicePixelRatioF() != (FRoundRatio == 0 ? 1 : FRoundRatio);
}

void TWindowBehaviour::SetStacking(TStacking value) {
    if (value == FStacking)
        return;
    FStacking = value;
    if (!FOwner)
        return;
    Qt::WindowFlags flags = FOwner->windowFlags();
    flags.setFlag(Qt::WindowStaysOnTopHint, value == TStacking::Top);
    flags.setFlag(Qt::WindowStaysOnBottomHint, value == TStacking::Bottom);
    if (FOwner->testAttribute(Qt::WA_WState_Created) && FOwner->windowHandle()) {
        // A window that exists changes its layer in place: setWindowFlags would take it off
        // the screen and make its native window anew.
        FOwner->overrideWindowFlags(flags);
        FOwner->windowHandle()->setFlags(flags);
        if (FOwner->isVisible())
            GiveLayerStates(TMapMoment::Mapped);
    } else {
        FOwner->setWindowFlags(flags);
    }
    if (value == TStacking::Top)
        FOwner->raise();
    else if (value == TStacking::Bottom)
        FOwner->lower();
}

void TWindowBehaviour::GiveLayerStates(TMapMoment moment) {
    FLayerStatesGiven = FStacking != TStacking::Normal;
    // Before the window is mapped the window manager finds the states in the properties
    // when it maps the window. It may erase them still, as it finishes with the window
    // hidden a moment ago, and it ignores requests for windows it does not show yet: they
    // are asked for again when the window paints, which it does once it is mapped.
    if (moment == TMapMoment::BeforeMap)
        WriteWindowLayerStates(FOwner, LayerOf(FStacking));
    FLayerRequestPending = !RequestWindowLayerStates(FOwner, LayerOf(FStacking));
    if (FLayerRequestPending)
        FOwner->update();
}

void TWindowBehaviour::ShowBitmap(const TBitmap& bitmap, int x, int y, double ratio) {
    FImage.Show(bitmap, x, y, FPlacement.DesignClientWidth(), FPlacement.DesignClientHeight(), ratio);
}

void TWindowBehaviour::EndSession() {
    if (FSessionEnded)
        return;
    FSessionEnded = true;
    if (OnEndSession)
        OnEndSession(this);
    // The session ends whatever happens here: the window's own saving must still run.
    FPlacement.SavePositionAtEnd();
    if (OnOwnerDestroy)
        OnOwnerDestroy(this);
}

bool TWindowBehaviour::eventFilter(QObject* watched, QEvent* event) {
    if (watched != FOwner)
        return false;
    switch (event->type()) {
    case QEvent::Resize:
        if (FWindowRound && !FOwner->isMinimized() && (FOwner->windowFlags() & Qt::FramelessWindowHint))
            ApplyRoundRegion();
        FPlacement.WatchEvent(*event);
        return false;
    case QEvent::Show:
        // The native window exists now: the shape can be cut in device pixels.
        if (RoundShapeOutdated())
            ApplyRoundRegion();
        // Sent before the window is mapped.
        if (FStacking != TStacking::Normal || FLayerStatesGiven)
            GiveLayerStates(TMapMoment::BeforeMap);
        FPlacement.WatchEvent(*event);
        return false;
    case QEvent::Move:
    case QEvent::WindowStateChange:
        FPlacement.WatchEvent(*event);
        return false;
    case QEvent::ScreenChangeInternal: {
        // On a screen of another device pixel ratio the shape is cut for that ratio.
        if (RoundShapeOutdated())
            ApplyRoundRegion();
        // A window moved there by someone else (the window manager, another program)
        // keeps its size in device pixels, which Qt then reads as another logical size;
        // the window gets its logical size back, so that it covers as many device pixels
        // as the new ratio asks. Qt reports that size after this event, before posted calls.
        const QSize logical = FOwner->size();
        QMetaObject::invokeMethod(
            this,
            [this, logical] {
                if (!FOwner)
                    return;
                if (FOwner->size() != logical)
                    FOwner->resize(logical);
                if (OnScreenChanged)
                    OnScreenChanged(FOwner);
            },
            Qt::QueuedConnection);
        return false;
    }
    case QEvent::Hide:
        FMover.Cancel();
        FPlacement.WatchEvent(*event);
        return false;
    case QEvent::Paint:
        if (FLayerRequestPending && RequestWindowLayerStates(FOwner, LayerOf(FStacking)))
            FLayerRequestPending = false;
        FImage.Paint();
        return false;
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove:
    case QEvent::MouseButtonRelease:
        return FMover.HandleMouse(*event);
    default:
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
