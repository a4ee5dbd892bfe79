#include "ui/PaperWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QCursor>
#include <QMenu>
#include <QMouseEvent>
#include <QScreen>

#include <algorithm>
#include <cmath>

#include "graphics/QtText.h"
#include "page/DayPage.h"
#include "storage/AppGlobals.h"
#include "storage/DateUtils.h"
#include "storage/ProcessState.h"
#include "storage/Text.h"
#include "storage/WindowPlacement.h"
#include "ui/DialogOpeners.h"
#include "ui/Notices.h"
#include "ui/PageDescription.h"
#include "ui/PageOfDay.h"
#include "ui/WindowBehaviour.h"

namespace {

// The interval of the swing while a loose paper is carried and the pointer stands still.
constexpr int SwingIntervalMs = 100;
// A hinged page comes loose once its angle lies strictly between these.
constexpr int LooseAngleLow = 10;
constexpr int LooseAngleHigh = 350;

TPoint Minus(TPoint a, TPoint b) { return {a.X - b.X, a.Y - b.Y}; }
TPoint PointOf(const QPointF& p) { return {static_cast<int>(std::floor(p.x())), static_cast<int>(std::floor(p.y()))}; }

}  // namespace

TPaperWindow::TPaperWindow(QWidget* parent, TPaperOwner* owner)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint),
      FSerial(++ProcessState().LastPaperSerial), FOwner(owner) {
    setAttribute(Qt::WA_DeleteOnClose);
    MemoChangedNotice().Listen(this, [this](int32_t day) {
        if (day == FPaperDate && FTurn.Source())
            RedrawPage();
    });
    setWindowTitle("FmPaper");
    FSwingTimer.setInterval(SwingIntervalMs);
    FSwingTimer.callOnTimeout([this] { OnSwingTimer(); });
    // The paper shows its page through its behaviour component: per-pixel alpha where a
    // compositing manager runs, else the page's shape as the window region.
    FBehaviour = new TWindowBehaviour(this, "TFMPAPER");
    FBehaviour->SetLayered(true);
    FBehaviour->SetStacking(TStacking::Normal);
    FBehaviour->SetFitScreenPx(0);
    FBehaviour->OnColorReset = [this](QObject*) {
        if (FTurn.Source())
            RedrawPage();
    };
    // On a screen of another device pixel ratio the page is drawn anew for it.
    FBehaviour->OnScreenChanged = [this](QObject*) {
        if (FTurn.Source() && Ratio() != FTurn.Ratio())
            RedrawPage();
    };
    resize(0, 0);
    FMakeTime = Now().DayTime();
    BuildMenu();
}

TPaperWindow::~TPaperWindow() = default;

void TPaperWindow::BuildMenu() {
    FMenu = new QMenu(this);
    FMenu->addAction(QtText("消す(&D)"), this, [this] { close(); });
    FMenu->addAction(QtText("全て消す(&A)"), this, [this] {
        if (FOwner)
            FOwner->CloseAllPapers();
    });
    FMenu->addAction(QtText("並べる(&J)"), this, [this] {
        if (FOwner)
            FOwner->ArrangePapers();
    });
    FMenu->addSeparator();
    FMenu->addAction(QtText("メモ記入(&M)"), this, [this] { OpenMemoEditorFor(FPaperDate); });
    FMenu->addSeparator();
}

TPaperRecord TPaperWindow::Record() const {
    QRect frame = geometry();
    return TPaperRecord{FTurn.Angle(), frame.x(), frame.y(), frame.width(), frame.height(), FPaperDate, FMakeTime};
}

double TPaperWindow::Ratio() const { return devicePixelRatioF(); }

void TPaperWindow::RenderPage() { UsePage(PageOfDay(FPaperDate, Ratio())); }

void TPaperWindow::UsePage(std::unique_ptr<TBitmap> page) {
    FPageBitmap = std::move(page);
    FTurn.SetSource(FPageBitmap.get(), Ratio());
    setAccessibleName(PageDescription(FPaperDate));
}

void TPaperWindow::ShowBitmap(const TBitmap& bitmap, int x, int y) {
    FBehaviour->ShowBitmap(bitmap, x, y, FTurn.Ratio());
}

void TPaperWindow::StartTear(int left, int top, int32_t day, TPoint offset, TPoint pivot,
                             std::unique_ptr<TBitmap> page) {
    FPaperDate = day;
    if (page && page->Width() == DeviceLength(PageSide, Ratio()))
        UsePage(std::move(page));
    else
        RenderPage();
    setGeometry(left, top, LogicalLength(FPageBitmap->Width(), FTurn.Ratio()),
                LogicalLength(FPageBitmap->Height(), FTurn.Ratio()));
    FHinged = true;
    FDragging = true;
    FTurn.SetPivotSrc(pivot);
    FHoldPoint = {left, top};
    TPoint cursor = PointOf(QCursor::pos());
    FLastCursor = Minus(cursor, offset);
    DragHinged(cursor);
}

void TPaperWindow::DragStep(TPoint cursor) {
    if (!FDragging)
        return;
    if (FHinged)
        DragHinged(cursor);
    else
        DragFree(cursor);
}

void TPaperWindow::DragHinged(TPoint cursor) {
    TPoint pull = Minus(cursor, FLastCursor);
    FTurn.Step(pull.X / 2, pull.Y / 2);
    int x = FHoldPoint.X - FTurn.PivotRot().X + (FTurn.PivotSrc().X != 0 ? PageSide : 0);
    int y = FHoldPoint.Y - FTurn.PivotRot().Y;
    ShowBitmap(*FTurn.GetBitmap(), x, y);
    if (FTurn.Angle() > LooseAngleLow && FTurn.Angle() < LooseAngleHigh) {
        FHinged = false;
        FLastCursor = cursor;
        QRect frame = geometry();
        TPoint grab{std::clamp(cursor.X - frame.x(), 0, frame.width()),
                    std::clamp(cursor.Y - frame.y(), 0, frame.height())};
        FTurn.SetPivotRot(grab);
        FHoldPoint = FTurn.PivotSrc();
        FSwingTimer.start();
    }
}

void TPaperWindow::DragFree(TPoint cursor) {
    TPoint hand = Minus(cursor, FLastCursor);
    FTurn.SetPivotSrc(FHoldPoint);
    const int gravity = FOwner ? FOwner->Gravity() : DefaultGravity;
    bool changed = FTurn.Step(-hand.X, 10 * gravity - hand.Y);
    TPoint corner = Minus(cursor, FTurn.PivotRot());
    if (changed)
        ShowBitmap(*FTurn.GetBitmap(), corner.X, corner.Y);
    else
        move(corner.X, corner.Y);
    FLastCursor = cursor;
}

void TPaperWindow::OnSwingTimer() { DragStep(PointOf(QCursor::pos())); }

void TPaperWindow::StraightenAt(int angle) {
    FTurn.SetAngle(angle);
    if (FTurn.Source())
        ShowBitmap(*FTurn.GetBitmap(), x(), y());
}

bool TPaperWindow::LoadFrom(int index) {
    QRect frame = geometry();
    TPaperRecord defaults{0, frame.x(), frame.y(), 0, 0, Today(), 0};
    TPaperRecord paper;
    if (!LoadPaperFile(AppGlobals().DataPath(), index, defaults, paper))
        return false;
    FTurn.SetAngle(paper.Angle);
    FMakeTime = paper.MakeTime;
    FPaperDate = paper.Date;
    FHinged = false;
    RenderPage();
    const TBitmap& image = *FTurn.GetBitmap();
    TRect wanted = RectOfSize(paper.Left, paper.Top, FTurn.RotWidth(), FTurn.RotHeight());
    QSize screen = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->size() : QSize(1024, 768);
    TRect placed = EnsureOnMonitor(wanted, ScreenWorkAreas(), screen.width(), screen.height());
    ShowBitmap(image, placed.Left, placed.Top);
    return true;
}

void SavePaper(const TPaperWindow& paper, int index) { SavePaperFile(AppGlobals().DataPath(), index, paper.Record()); }

void TPaperWindow::RedrawPage() {
    RenderPage();
    ShowBitmap(*FTurn.GetBitmap(), x(), y());
}

void TPaperWindow::TakeHold(Qt::MouseButton button, TPoint cursor) {
    if (FIgnoreMouseDown >= 1) {
        --FIgnoreMouseDown;
        return;
    }
    if (button != Qt::LeftButton || !FTurn.Source())
        return;
    QRect frame = geometry();
    FTurn.SetPivotRot({cursor.X - frame.x(), cursor.Y - frame.y()});
    FHoldPoint = FTurn.PivotSrc();
    FLastCursor = cursor;
    FDragging = true;
    if (isVisible())
        grabMouse();
    FSwingTimer.start();
}

void TPaperWindow::LetGo() {
    bool wasDragging = FDragging;
    FDragging = false;
    if (QWidget::mouseGrabber() == this)
        releaseMouse();
    FTurn.SetVelocity(0);
    FSwingTimer.stop();
    if (wasDragging && FHinged) {
        // Released before the page came loose: the tear is undone and the calendar
        // shows this day again, which closes this paper.
        FHinged = false;
        if (FOwner && FOwner->CurrentDate() != FPaperDate)
            FOwner->ShowDate(FPaperDate);
        else
            close();
    } else if (wasDragging && FOwner) {
        FOwner->PaperChanged();
    }
}

void TPaperWindow::OpenPaperMemo() {
    OpenMemoEditorFor(FPaperDate);
    FIgnoreMouseDown = 1;
}

void TPaperWindow::mousePressEvent(QMouseEvent* event) { TakeHold(event->button(), PointOf(event->globalPosition())); }

void TPaperWindow::mouseMoveEvent(QMouseEvent* event) { DragStep(PointOf(event->globalPosition())); }

void TPaperWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        LetGo();
}

void TPaperWindow::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    OpenPaperMemo();
    // The press that comes with the double click is swallowed: a double click opens the
    // memo editor and never starts a drag.
    TakeHold(event->button(), PointOf(event->globalPosition()));
}

void TPaperWindow::contextMenuEvent(QContextMenuEvent* event) {
    if (!FDragging)
        FMenu->popup(event->globalPos());
}

void TPaperWindow::closeEvent(QCloseEvent* event) {
    FClosing = true;
    FDragging = false;
    FSwingTimer.stop();
    if (QWidget::mouseGrabber() == this)
        releaseMouse();
    event->accept();
    if (FOwner)
        FOwner->PaperChanged();
}

int TPaperList::IndexOfDate(int32_t day) const {
    for (int i = 0; i < Count(); ++i)
        if (FItems[static_cast<size_t>(i)]->PaperDate() == day)
            return i;
    return -1;
}

void TPaperList::SortByDate() {
    std::sort(FItems.begin(), FItems.end(),
              [](const TPaperWindow* a, const TPaperWindow* b) { return a->PaperDate() < b->PaperDate(); });
}

void TPaperList::SortByMakeTime() {
    // Papers made within the same instant keep their creation order, so that the paper
    // being torn is never taken for an older one.
    std::sort(FItems.begin(), FItems.end(), [](const TPaperWindow* a, const TPaperWindow* b) {
        if (a->MakeTime() != b->MakeTime())
            return a->MakeTime() < b->MakeTime();
        return a->Serial() < b->Serial();
    });
}

void CollectOpenPapers(TPaperList& papers) {
    papers.Clear();
    std::vector<TPaperWindow*> found;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* paper = dynamic_cast<TPaperWindow*>(widget); paper && !paper->Closing())
            found.push_back(paper);
    std::sort(found.begin(), found.end(),
              [](const TPaperWindow* a, const TPaperWindow* b) { return a->Serial() < b->Serial(); });
    for (TPaperWindow* paper : found)
        papers.Add(paper);
}
