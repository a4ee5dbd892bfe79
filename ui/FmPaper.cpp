#include "ui/FmPaper.h"

#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QCursor>
#include <QMenu>
#include <QMouseEvent>
#include <QScreen>

#include <algorithm>
#include <cmath>

#include "platform/FormMessages.h"
#include "storage/AppGlobals.h"
#include "storage/DateUtils.h"
#include "storage/ShiftJis.h"
#include "storage/WindowPlacement.h"
#include "ui/FmQuillo.h"
#include "ui/FormFunc.h"
#include "ui/PageRenderer.h"

namespace {

// The interval of the swing while a loose paper is carried and the pointer stands still.
constexpr int SwingIntervalMs = 100;
// A hinged page comes loose once its angle lies strictly between these.
constexpr int LooseAngleLow = 10;
constexpr int LooseAngleHigh = 350;

uint64_t NextSerial = 0;

TPoint Minus(TPoint a, TPoint b) { return {a.X - b.X, a.Y - b.Y}; }
TPoint PointOf(const QPointF& p) { return {static_cast<int>(std::floor(p.x())), static_cast<int>(std::floor(p.y()))}; }

} // namespace

TFmPaper::TFmPaper(QWidget* owner)
    : QWidget(owner, Qt::Tool | Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint), FSerial(++NextSerial) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle("FmPaper");
    FTimer1.setInterval(SwingIntervalMs);
    FTimer1.callOnTimeout([this] { Timer1Timer(); });
    // The paper shows its page through its behaviour component: per-pixel alpha where a
    // compositing manager runs, else the page's shape as the window region.
    FFunc = new TbrskFormFunc(this, "TFMPAPER");
    FFunc->SetLayered(true);
    FFunc->SetWindowPosition(wpNormal);
    FFunc->SetFitScreenPx(0);
    FFunc->OnColorReset = [this](QObject*) {
        if (FRoll.Source())
            FFuncColorReset();
    };
    resize(0, 0);
    FMakeTime = Now().DayTime();
    BuildMenu();
}

TFmPaper::~TFmPaper() = default;

void TFmPaper::BuildMenu() {
    FPopupMenu1 = new QMenu(this);
    FPopupMenu1->addAction(QtText(SJIS("消す(&D)")), this, [this] { close(); });
    FPopupMenu1->addAction(QtText(SJIS("全て消す(&A)")), this, [] {
        if (TFmQuillo* main = MainWindow())
            main->CloseAllPapers();
    });
    FPopupMenu1->addAction(QtText(SJIS("並べる(&J)")), this, [] {
        if (TFmQuillo* main = MainWindow())
            main->ArrangePapers();
    });
    FPopupMenu1->addSeparator();
    FPopupMenu1->addAction(QtText(SJIS("メモ記入(&M)")), this, [this] { OpenMemoEditorFor(FPaperDate); });
    FPopupMenu1->addSeparator();
}

TPaperRecord TFmPaper::Record() const {
    QRect frame = geometry();
    return TPaperRecord{FRoll.Angle(), frame.x(), frame.y(), frame.width(), frame.height(), FPaperDate, FMakeTime};
}

void TFmPaper::RenderPage() { UsePage(PageRenderer().DrawDay(FPaperDate)); }

void TFmPaper::UsePage(std::unique_ptr<TBitmap> page) {
    FPageBitmap = std::move(page);
    FRoll.SetSource(FPageBitmap.get());
    setAccessibleName(PageDescription(FPaperDate));
}

void TFmPaper::ShowBitmap(const TBitmap& bitmap, int x, int y) { FFunc->ShowBitmap(bitmap, x, y); }

void TFmPaper::StartTear(int left, int top, int32_t day, TPoint offset, TPoint pivot,
                         std::unique_ptr<TBitmap> page) {
    FPaperDate = day;
    if (page)
        UsePage(std::move(page));
    else
        RenderPage();
    setGeometry(left, top, FPageBitmap->Width(), FPageBitmap->Height());
    FHinged = true;
    FDragging = true;
    FRoll.SetPivotSrc(pivot);
    FHoldPoint = {left, top};
    TPoint cursor = PointOf(QCursor::pos());
    FLastCursor = Minus(cursor, offset);
    DragHinged(cursor);
}

void TFmPaper::DragStep(TPoint cursor) {
    if (!FDragging)
        return;
    if (FHinged)
        DragHinged(cursor);
    else
        DragFree(cursor);
}

void TFmPaper::DragHinged(TPoint cursor) {
    TPoint pull = Minus(cursor, FLastCursor);
    FRoll.Step(pull.X / 2, pull.Y / 2);
    int x = FHoldPoint.X - FRoll.PivotRot().X + (FRoll.PivotSrc().X != 0 ? 120 : 0);
    int y = FHoldPoint.Y - FRoll.PivotRot().Y;
    ShowBitmap(*FRoll.GetBitmap(), x, y);
    if (FRoll.Angle() > LooseAngleLow && FRoll.Angle() < LooseAngleHigh) {
        FHinged = false;
        FLastCursor = cursor;
        QRect frame = geometry();
        TPoint grab{std::clamp(cursor.X - frame.x(), 0, frame.width()), std::clamp(cursor.Y - frame.y(), 0, frame.height())};
        FRoll.SetPivotRot(grab);
        FHoldPoint = FRoll.PivotSrc();
        FTimer1.start();
    }
}

void TFmPaper::DragFree(TPoint cursor) {
    TPoint hand = Minus(cursor, FLastCursor);
    FRoll.SetPivotSrc(FHoldPoint);
    bool changed = FRoll.Step(-hand.X, 10 * Gravity() - hand.Y);
    TPoint corner = Minus(cursor, FRoll.PivotRot());
    if (changed)
        ShowBitmap(*FRoll.GetBitmap(), corner.X, corner.Y);
    else
        move(corner.X, corner.Y);
    FLastCursor = cursor;
}

void TFmPaper::Timer1Timer() { DragStep(PointOf(QCursor::pos())); }

void TFmPaper::StraightenAt(int angle) {
    FRoll.SetAngle(angle);
    if (FRoll.Source())
        ShowBitmap(*FRoll.GetBitmap(), x(), y());
}

bool TFmPaper::LoadFrom(int index) {
    QRect frame = geometry();
    TPaperRecord defaults{0, frame.x(), frame.y(), 0, 0, Today(), 0};
    TPaperRecord paper;
    if (!LoadPaperFile(AppGlobals().DataPath(), index, defaults, paper))
        return false;
    FRoll.SetAngle(paper.Angle);
    FMakeTime = paper.MakeTime;
    FPaperDate = paper.Date;
    FHinged = false;
    RenderPage();
    const TBitmap& image = *FRoll.GetBitmap();
    TRect wanted = RectOfSize(paper.Left, paper.Top, image.Width(), image.Height());
    QSize screen = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->size() : QSize(1024, 768);
    TRect placed = EnsureOnMonitor(wanted, ScreenWorkAreas(), screen.width(), screen.height());
    ShowBitmap(image, placed.Left, placed.Top);
    return true;
}

void SavePaper(const TFmPaper& paper, int index) { SavePaperFile(AppGlobals().DataPath(), index, paper.Record()); }

void TFmPaper::FFuncColorReset() {
    RenderPage();
    ShowBitmap(*FRoll.GetBitmap(), x(), y());
}

bool TFmPaper::event(QEvent* event) {
    if (event->type() == TFormMessageEvent::EventType()) {
        auto* message = static_cast<TFormMessageEvent*>(event);
        if (message->Message() == UM_MEMOCHANGED && message->WParam() == FPaperDate && FRoll.Source())
            FFuncColorReset();
        if (message->Message() == UM_MEMOCHANGED)
            return true;
    }
    return QWidget::event(event);
}

void TFmPaper::FormMouseDown(Qt::MouseButton button, TPoint cursor) {
    if (FIgnoreMouseDown >= 1) {
        --FIgnoreMouseDown;
        return;
    }
    if (button != Qt::LeftButton || !FRoll.Source())
        return;
    QRect frame = geometry();
    FRoll.SetPivotRot({cursor.X - frame.x(), cursor.Y - frame.y()});
    FHoldPoint = FRoll.PivotSrc();
    FLastCursor = cursor;
    FDragging = true;
    if (isVisible())
        grabMouse();
    FTimer1.start();
}

void TFmPaper::FormMouseUp() {
    bool wasDragging = FDragging;
    FDragging = false;
    if (QWidget::mouseGrabber() == this)
        releaseMouse();
    FRoll.SetVelocity(0);
    FTimer1.stop();
    if (wasDragging && FHinged) {
        // Released before the page came loose: the tear is undone and the calendar
        // shows this day again, which closes this paper.
        FHinged = false;
        TFmQuillo* main = MainWindow();
        if (main && main->CurrentDate() != FPaperDate)
            main->ShowDate(FPaperDate);
        else
            close();
    }
}

void TFmPaper::FormDblClick() {
    OpenMemoEditorFor(FPaperDate);
    FIgnoreMouseDown = 1;
}

void TFmPaper::mousePressEvent(QMouseEvent* event) { FormMouseDown(event->button(), PointOf(event->globalPosition())); }

void TFmPaper::mouseMoveEvent(QMouseEvent* event) { DragStep(PointOf(event->globalPosition())); }

void TFmPaper::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        FormMouseUp();
}

void TFmPaper::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    FormDblClick();
    // The press that comes with the double click is swallowed: a double click opens the
    // memo editor and never starts a drag.
    FormMouseDown(event->button(), PointOf(event->globalPosition()));
}

void TFmPaper::contextMenuEvent(QContextMenuEvent* event) {
    if (!FDragging)
        FPopupMenu1->popup(event->globalPos());
}

void TFmPaper::closeEvent(QCloseEvent* event) {
    FClosing = true;
    FDragging = false;
    FTimer1.stop();
    if (QWidget::mouseGrabber() == this)
        releaseMouse();
    event->accept();
}

int TpaperList::IndexOfDate(int32_t day) const {
    for (int i = 0; i < Count(); ++i)
        if (FItems[static_cast<size_t>(i)]->PaperDate() == day)
            return i;
    return -1;
}

void TpaperList::SortByDate() {
    std::sort(FItems.begin(), FItems.end(), [](const TFmPaper* a, const TFmPaper* b) {
        return a->PaperDate() < b->PaperDate();
    });
}

void TpaperList::SortByMakeTime() {
    // Papers made within the same instant keep their creation order, so that the paper
    // being torn is never taken for an older one.
    std::sort(FItems.begin(), FItems.end(), [](const TFmPaper* a, const TFmPaper* b) {
        if (a->MakeTime() != b->MakeTime())
            return a->MakeTime() < b->MakeTime();
        return a->Serial() < b->Serial();
    });
}

void CollectOpenPapers(TpaperList& papers) {
    papers.Clear();
    std::vector<TFmPaper*> found;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* paper = dynamic_cast<TFmPaper*>(widget); paper && !paper->Closing())
            found.push_back(paper);
    std::sort(found.begin(), found.end(), [](const TFmPaper* a, const TFmPaper* b) { return a->Serial() < b->Serial(); });
    for (TFmPaper* paper : found)
        papers.Add(paper);
}
