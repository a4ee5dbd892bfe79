#include "ui/MainWindow.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>

#include <algorithm>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <utility>

#include "almanac/Almanac.h"
#include "graphics/Canvas.h"
#include "graphics/GraphicWork.h"
#include "storage/AppGlobals.h"
#include "storage/ColorScheme.h"
#include "storage/DateUtils.h"
#include "storage/Exception.h"
#include "storage/FileUtils.h"
#include "storage/MemoStore.h"
#include "storage/PaperFile.h"
#include "storage/ProcessWide.h"
#include "storage/Resources.h"
#include "storage/Text.h"
#include "storage/WindowPlacement.h"
#include "ui/Autostart.h"
#include "ui/DialogOpeners.h"
#include "ui/DrawnButton.h"
#include "ui/ErrorDisplay.h"
#include "ui/MemoEditor.h"
#include "ui/Notices.h"
#include "ui/PageDescription.h"
#include "ui/PageOfDay.h"
#include "ui/SyncModule.h"
#include "ui/TrayIcon.h"
#include "ui/WindowBehaviour.h"

namespace {

TProcessWide<TMainWindow> TheMainWindow("MainWindow");

constexpr int PaperPitch = 120;
constexpr int PageHalf = 60;

bool IsValidDayNumber(int32_t day) {
    return day >= DayNumberOf(MinDateYear, 1, 1) && day <= DayNumberOf(MaxDateYear, 12, 31);
}

// Runs one step of start-up or shutdown whose failure must not stop the rest: the
// message is shown and the work goes on. False when the step failed.
template <typename Work>
bool RunReporting(Work work) {
    try {
        work();
        return true;
    } catch (const std::exception& error) {
        ShowExceptionMessage(error);
        return false;
    }
}

}  // namespace

TMainWindow& MainWindow() { return TheMainWindow.Get(); }

bool HasMainWindow() { return TheMainWindow.Exists(); }

std::unique_ptr<TMainWindow> ReplaceMainWindow(std::unique_ptr<TMainWindow> instance) {
    return TheMainWindow.Replace(std::move(instance));
}

void CreateMainWindow() { ReplaceMainWindow(std::make_unique<TMainWindow>()); }

void DestroyMainWindow() { ReplaceMainWindow(nullptr); }

bool InTearArea(int x, int y, int width, int height) {
    return y >= TMainWindow::PageRect.Top && x >= 5 && x <= width - 5 && y <= height - 5;
}

TPoint HingePivot(int pressX, int pageLeft) { return pressX - pageLeft <= PageHalf ? TPoint{120, 0} : TPoint{0, 0}; }

int32_t NextFreeDay(const TPaperList& papers, int32_t day) {
    while (papers.IndexOfDate(day) >= 0 && day < DayNumberOf(MaxDateYear, 12, 31))
        ++day;
    return day;
}

std::vector<TPoint> GridPlaces(const std::vector<TRect>& windows) {
    std::vector<TPoint> places;
    if (windows.empty())
        return places;
    int minLeft = windows[0].Left, maxLeft = windows[0].Left, minTop = windows[0].Top;
    for (const TRect& w : windows) {
        minLeft = std::min(minLeft, w.Left);
        maxLeft = std::max(maxLeft, w.Left);
        minTop = std::min(minTop, w.Top);
    }
    int x = minLeft, y = minTop;
    for (size_t i = 0; i < windows.size(); ++i) {
        places.push_back({x, y});
        x += PaperPitch;
        if (x > maxLeft) {
            x = minLeft;
            y += PaperPitch;
        }
    }
    return places;
}

TMainWindow::TMainWindow() : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint) {
    MemoChangedNotice().Listen(this, [this](int32_t day) { MemoChanged(day); });
    setWindowTitle(QtText(AppGlobals().ProductName()));
    setAttribute(Qt::WA_OpaquePaintEvent);
    FPageRatio = devicePixelRatioF();
    // The papers' list is empty; the window's size is fixed.
    setFixedSize(WindowWidth, WindowHeight);
    // The stored place, centred on the screen at the first start, kept on a monitor.
    FBehaviour = new TWindowBehaviour(this, "TFMQUILLO");
    FBehaviour->SetPreserve(true);
    FBehaviour->SetKeepLocation(true);
    FBehaviour->SetKeepSize(false);
    FBehaviour->SetWindowDrag(true);
    FBehaviour->SetWindowResize(false);
    FBehaviour->SetWindowRound(true);
    FBehaviour->SetStacking(StackingOfSetting(AppGlobals().ReadInteger("TFMQUILLO", "STACKING", 0)));
    FBehaviour->SetFitScreenPx(16);
    // The main window paints itself. Where windows are composited it has per-pixel alpha
    // and paints its cut corners transparent, since some compositors (sway) ignore the
    // shape of an opaque window and show black there; elsewhere the shape cuts them.
    FBehaviour->SetLayered(true);
    FBehaviour->SetBGrelocation(true);
    FBehaviour->OnColorReset = [this](QObject*) {
        ApplyColors();
        update();
    };
    FBehaviour->OnCanDragMove = [this](QObject*, int mouseX, int mouseY, bool& dragMove) {
        if (InTearArea(mouseX, mouseY, width(), height()))
            dragMove = false;
    };
    FBehaviour->OnOwnerDestroy = [this](QObject*) { SaveAtExit(); };
    // Moved to a screen of another device pixel ratio: the page is drawn for it before the
    // next input, so that a paper torn next carries a page of the right size.
    FBehaviour->OnScreenChanged = [this](QObject*) {
        FollowDevicePixelRatio(devicePixelRatioF());
        update();
    };
    FBehaviour->LoadPosition();
    // Memos, colours and holidays. A damaged file is reported and the start goes on.
    RunReporting([] { LoadMemos(); });
    RunReporting([] { ColorScheme().Load(); });
    ApplyColors();
    // The stored day; one that no calendar can show counts as missing.
    int32_t stored = AppGlobals().ReadInteger("CALENDAR", "DATE", Today());
    int32_t shownDay = IsValidDayNumber(stored) ? stored : Today();
    RunReporting([] { Almanac().LoadHolidays(LoadResourceText("holidays.txt")); });
    // The first page is drawn on a thread of its own while the window is made and shown;
    // the first paint takes it.
    FPageAhead = std::make_unique<TPageAhead>(shownDay, FPageRatio);
    DateShown(shownDay);

    ConnectMemoMessages();
    BuildButtons();

    // Made last, so that nothing of the start-up itself counts as a change to save.
    FStateSaveTimer = new QTimer(this);
    FStateSaveTimer->setSingleShot(true);
    FStateSaveTimer->setInterval(StateSaveDelayMs);
    FKeptPlace = pos();
    connect(FStateSaveTimer, &QTimer::timeout, this, [this] { OnStateSaveTimer(); });
}

TMainWindow::~TMainWindow() { SetMemoChangedHandler(nullptr); }

TTrayIcon* TMainWindow::TrayIcon() {
    if (FTrayIcon)
        return FTrayIcon;
    FTrayIcon = new TTrayIcon(this);
    FTrayIcon->SetText(AppGlobals().ProductName());
    FTrayIcon->SetEnabled(true);
    FTrayIcon->OnDblClick = [this](QObject*) { RestoreFromTray(); };
    // The tray went away while the calendar hid in it: the window and its papers come back.
    FTrayIcon->OnHostLost = [this](QObject*) { RestoreFromTray(); };
    FTrayIcon->OnMouseDown = [this](QObject*, TMouseButton button, TShiftState, int screenX, int screenY) {
        if (button == TMouseButton::Right)
            PopupAt(QPoint(screenX, screenY));
        else if (button == TMouseButton::Left)
            RestoreFromTray();
    };
    return FTrayIcon;
}

void TMainWindow::FinishStartUp() {
    if (FStartUpFinished)
        return;
    FStartUpFinished = true;
    // The thread that drew the first page has ended by now.
    FPageAhead.reset();
    RunReporting([this] { RestorePapers(); });
    TrayIcon();
    RunReporting([this] { StartSync(); });
    if (OnStartedUp)
        RunReporting([this] { OnStartedUp(); });
#ifdef __GLIBC__
    // The pictures and tables of the start-up are freed by now: their pages go back.
    malloc_trim(0);
#endif
}

void TMainWindow::StartSync() {
    // A calendar that was never set up to sync loads nothing of it until the user opens
    // "同期…".
    if (SyncSetUp(AppGlobals().DataPath()))
        Sync();
}

TMemoSync& TMainWindow::Sync() {
    if (!FSync)
        FSync = SyncModule().StartMemoSync(AppGlobals().DataPath());
    return *FSync;
}

QMenu* TMainWindow::Menu() {
    if (!FMenu)
        BuildMenu();
    return FMenu;
}

void TMainWindow::BuildMenu() {
    FMenu = new QMenu(this);
    FMenu->addAction(QtText("日付を今日にする(&T)"), this, [this] {
        ShowDate(Today());
        update();
    });
    FMenu->addAction(QtText("メモ記入(&M)"), this, [this] { OpenMemoEditorFor(FCurrentDate); });
    FMenu->addSeparator();
    FMenu->addAction(QtText("全て消す(&A)"), this, [this] { CloseAllPapers(); });
    FMenu->addAction(QtText("並べる(&J)"), this, [this] { ArrangePapers(); });
    FMenu->addSeparator();
    FMenu->addAction(QtText("オプション設定(&O)"), this,
                     [this] { OpenOptionsDialog(FCurrentDate, [this](int32_t day) { ShowDate(day); }); });
    FMenu->addAction(QtText("配色設定(&L)"), this, [this] { OpenColorSetupFor(this); });
    // "同期…", with the changes that wait for the server, read again each time the menu opens.
    QAction* sync =
        FMenu->addAction(QtText("同期…"), this, [this] { RunReporting([this] { OpenSyncDialogFor(Sync(), this); }); });
    connect(FMenu, &QMenu::aboutToShow, sync, [this, sync] {
        if (FSync)
            sync->setText(QtText(FSync->MenuCaption()));
    });
    FMenu->addSeparator();
    // The window's place in the stack of windows, for it and its papers.
    auto* stacking = new QActionGroup(FMenu);
    const std::pair<QString, TStacking> choices[] = {{QtText("通常"), TStacking::Normal},
                                                     {QtText("常に手前に表示"), TStacking::Top},
                                                     {QtText("デスクトップに置く"), TStacking::Bottom}};
    for (const auto& [caption, choice] : choices) {
        QAction* item = stacking->addAction(caption);
        item->setCheckable(true);
        item->setChecked(FBehaviour->Stacking() == choice);
        connect(item, &QAction::triggered, this, [this, choice = choice] { ChooseStacking(choice); });
    }
    FMenu->addActions(stacking->actions());
    FMenu->addSeparator();
    // Ticked while the desktop starts the calendar at login; the user may have removed the
    // entry meanwhile, so the tick is read again each time the menu opens.
    QAction* atLogin = FMenu->addAction(QtText("ログイン時に起動する"));
    atLogin->setCheckable(true);
    connect(FMenu, &QMenu::aboutToShow, atLogin, [atLogin] { atLogin->setChecked(StartsAtLogin()); });
    connect(atLogin, &QAction::triggered, this,
            [](bool start) { SetStartAtLogin(start, AppGlobals().ExePath() + AppGlobals().ExeName()); });
    FMenu->addSeparator();
    FMenu->addAction(QtText("ソフトウェア情報(&I)"), this, [this] { OpenAboutBoxFor(this); });
    FMenu->addAction(QtText("終了(&X)"), this, [this] { close(); });
}

void TMainWindow::BuildButtons() {
    auto make = [this](int left, int width, const std::string& caption, const TFont& font, TAnchors anchors) {
        auto* button = new TDrawnButton(this);
        TButtonPainter& look = button->Painter();
        look.SetColorOver(0x60A0FF);
        look.SetColorFocus(0xFFA080);
        look.SetColorDown(0x000000);
        look.SetOverDrawType(TDrawType::Multiply);
        look.SetFaceMonoColor(false);
        look.SetTextAntialiasing(false);
        button->SetClickRepeat(false);
        button->SetFont(font);
        button->SetCaption(caption);
        button->SetColor(FBackColor);
        button->SetBounds(left, 4, width, 20);
        button->SetAnchors(anchors);
        return button;
    };
    TFont menuFont{"Arial", -10, 0xA08060, true, false};
    TFont glyphFont{"Marlett", -12, 0xA08060, false, false};
    FMenuButton = make(4, 46, "MENU", menuFont, TAnchor::Left | TAnchor::Top);
    FMenuButton->Painter().SetTextEmboss(true);
    FMinimiseButton =
        make(WindowWidth - 24 - 20, 20, std::string(1, MinimiseGlyph), glyphFont, TAnchor::Top | TAnchor::Right);
    FCloseButton = make(WindowWidth - 4 - 20, 20, std::string(1, CloseGlyph), glyphFont, TAnchor::Top | TAnchor::Right);
    FMenuButton->OnClick = [this] { PopupAt(QPoint(x() + FMenuButton->x(), y() + 21)); };
    FMinimiseButton->OnClick = [this] { MinimizeToTray(); };
    FCloseButton->OnClick = [this] { close(); };
}

void TMainWindow::ChooseStacking(TStacking stacking) {
    FBehaviour->SetStacking(stacking);
    RunReporting([stacking] { AppGlobals().WriteInteger("TFMQUILLO", "STACKING", SettingOfStacking(stacking)); });
    RefreshPaperList();
    for (int i = 0; i < FPapers.Count(); ++i)
        FollowStacking(FPapers.Items(i));
}

void TMainWindow::FollowStacking(TPaperWindow* paper) const {
    if (TWindowBehaviour* behaviour = BehaviourOf(paper))
        behaviour->SetStacking(FBehaviour->Stacking());
}

void TMainWindow::PopupAt(const QPoint& screenPoint) { Menu()->popup(screenPoint); }

void TMainWindow::ShowDate(int32_t day) {
    if (day == FCurrentDate)
        return;
    RefreshPaperList();
    if (int index = FPapers.IndexOfDate(day); index >= 0)
        FPapers.Items(index)->close();
    ReplacePage(PageOfDay(day, FPageRatio));
    DateShown(day);
}

void TMainWindow::DateShown(int32_t day) {
    FCurrentDate = day;
    UpdateAccessibleName();
    update();
    ScheduleStateSave();
}

TBitmap* TMainWindow::ShownPage() {
    if (FPageAhead && !FPageBitmap)
        FPageBitmap = FPageAhead->Take();
    return FPageBitmap.get();
}

void TMainWindow::ReplacePage(std::unique_ptr<TBitmap> page) {
    FPageAhead.reset();
    FPageBitmap = std::move(page);
}

void TMainWindow::UpdateAccessibleName() { setAccessibleName(PageDescription(FCurrentDate)); }

void TMainWindow::ApplyColors() {
    FBackColor = ColorScheme().GetColor("全般\\背景", 0xFFFFFF);
    FFrameColor = ColorScheme().GetColor("全般\\枠線", 0x808080);
    FGravity = AppGlobals().ReadInteger("CALENDAR", "GRAVITY", DefaultGravity);
    QPalette colors = palette();
    colors.setColor(QPalette::Window, QtColor(FBackColor));
    setPalette(colors);
    for (TDrawnButton* button : {FMenuButton, FMinimiseButton, FCloseButton})
        if (button)
            button->SetColor(FBackColor);
    // Until start-up has chosen the day there is no page worth drawing.
    if (FCurrentDate != 0)
        ReplacePage(PageOfDay(FCurrentDate, FPageRatio));
}

void TMainWindow::FollowDevicePixelRatio(double ratio) {
    if (ratio == FPageRatio)
        return;
    FPageRatio = ratio;
    if (FCurrentDate != 0)
        ReplacePage(PageOfDay(FCurrentDate, FPageRatio));
}

void TMainWindow::RefreshPaperList() { CollectOpenPapers(FPapers); }

void TMainWindow::RestorePapers() {
    int count = AppGlobals().ReadInteger("PAPER", "number", 0);
    for (int i = 0; i < count; ++i) {
        if (!FileExists(PaperFileName(AppGlobals().DataPath(), i)))
            continue;
        auto* paper = new TPaperWindow(this, this);
        FollowStacking(paper);
        paper->show();
        if (!paper->LoadFrom(i))
            paper->close();
    }
}

void TMainWindow::CloseAllPapers() {
    RefreshPaperList();
    for (int i = 0; i < FPapers.Count(); ++i)
        FPapers.Items(i)->close();
}

void TMainWindow::ArrangePapers() {
    RefreshPaperList();
    FPapers.SortByDate();
    if (FPapers.Count() == 0)
        return;
    std::vector<TRect> windows;
    for (int i = 0; i < FPapers.Count(); ++i) {
        QRect r = FPapers.Items(i)->geometry();
        windows.push_back(RectOfSize(r.x(), r.y(), r.width(), r.height()));
    }
    std::vector<TPoint> places = GridPlaces(windows);
    std::vector<TRect> areas = ScreenWorkAreas();
    for (int i = 0; i < FPapers.Count(); ++i) {
        TPaperWindow* paper = FPapers.Items(i);
        paper->StraightenAt(0);
        TPoint place = places[static_cast<size_t>(i)];
        TRect frame = RectOfSize(place.X, place.Y, paper->width(), paper->height());
        TRect fitted = FitIntoWorkArea(frame, WorkAreaOf(frame, areas));
        paper->move(fitted.Left, fitted.Top);
    }
    ScheduleStateSave();
}

void TMainWindow::MinimizeToTray() {
    // Without a tray host the window is minimised the ordinary way and the papers stay:
    // nothing would bring hidden papers back when the window is restored from the taskbar.
    bool intoTray = TrayIcon()->Enabled();
    TrayIcon()->MinimizeOwner();
    if (!intoTray)
        return;
    RefreshPaperList();
    for (int i = 0; i < FPapers.Count(); ++i)
        FPapers.Items(i)->hide();
}

void TMainWindow::RestoreFromTray() {
    TrayIcon()->UpdateAppButton();
    if (isMinimized())
        showNormal();
    else
        show();
    raise();
    activateWindow();
    RefreshPaperList();
    for (int i = 0; i < FPapers.Count(); ++i)
        FPapers.Items(i)->show();
}

void TMainWindow::ScheduleStateSave() {
    if (FStateSaveTimer && !FSaved)
        FStateSaveTimer->start();
}

bool TMainWindow::StateSavePending() const { return FStateSaveTimer && FStateSaveTimer->isActive(); }

bool TMainWindow::StateInMotion() {
    if (FTearArmed || FBehaviour->Mover().Dragging())
        return true;
    RefreshPaperList();
    for (int i = 0; i < FPapers.Count(); ++i)
        if (FPapers.Items(i)->Dragging())
            return true;
    return false;
}

void TMainWindow::OnStateSaveTimer() {
    // Carried things are written once they are put down, not on the way.
    if (StateInMotion()) {
        FStateSaveTimer->start();
        return;
    }
    SaveState();
#ifdef __GLIBC__
    // A drag makes and drops a picture per step, and glibc keeps the pages they freed;
    // once the state has settled they go back to the system, so that months of tears do
    // not leave the calendar holding more and more of them.
    malloc_trim(0);
#endif
}

bool TMainWindow::SaveState() {
    if (FSaved)
        return FAllSaved;
    FStateSaveTimer->stop();
    bool saved = true;
    auto attempt = [&saved, this](auto work) {
        try {
            work();
        } catch (const std::exception& error) {
            saved = false;
            // Once per run of failures: the same full disk is not reported every moment.
            if (!FStateSaveFailed)
                qWarning("%s", qUtf8Printable(ExceptionText(error)));
        }
    };
    RefreshPaperList();
    const std::string dataPath = AppGlobals().DataPath();
    // Numbered as SaveAtExit numbers them; a file that already holds a paper's bytes stays.
    int written = 0;
    for (int i = 0; i < FPapers.Count(); ++i) {
        const TPaperRecord record = FPapers.Items(i)->Record();
        attempt([&] {
            const std::string file = PaperFileName(dataPath, written);
            bool same = false;
            try {
                same = ReadFileBytes(file, MaxPaperFileBytes) == PaperFileBytes(record);
            } catch (const EFileError&) {
            }
            if (!same)
                SavePaperFile(dataPath, written, record);
            ++written;
        });
    }
    attempt([&] {
        AppGlobals().WriteSettingsTogether([&] {
            AppGlobals().WriteInteger("PAPER", "number", written);
            AppGlobals().WriteInteger("CALENDAR", "date", FCurrentDate);
            FBehaviour->SavePosition();
        });
        FKeptPlace = pos();
    });
    FStateSaveFailed = !saved;
    return saved;
}

bool TMainWindow::SaveAtExit() {
    if (FSaved)
        return FAllSaved;
    FSaved = true;
    if (FStateSaveTimer)
        FStateSaveTimer->stop();
    RefreshPaperList();
    // Papers are numbered by what was written, so that a paper whose file could not be
    // written leaves no gap and no stale file of an earlier run in the count.
    int written = 0;
    for (int i = 0; i < FPapers.Count(); ++i) {
        TPaperWindow* paper = FPapers.Items(i);
        FAllSaved &= RunReporting([&] {
            SavePaper(*paper, written);
            ++written;
        });
        paper->close();
    }
    FAllSaved &= RunReporting([&] {
        AppGlobals().WriteInteger("PAPER", "number", written);
        AppGlobals().WriteInteger("CALENDAR", "date", FCurrentDate);
    });
    // The place is saved here, where a failure is reported like the others, rather than
    // when the window goes.
    FAllSaved &= RunReporting([this] { FBehaviour->SavePositionOnce(); });
    return FAllSaved;
}

std::unique_ptr<TBitmap> TMainWindow::ComposeImage() {
    const double ratio = FPageRatio;
    auto at = [ratio](int logical) { return DeviceLength(logical, ratio); };
    const int width = at(WindowWidth), height = at(WindowHeight), line = at(1);
    auto image = std::make_unique<TBitmap>(width, height, TPixelFormat::Bits32);
    TCanvas& canvas = image->Canvas();
    canvas.Brush.Color = FBackColor;
    canvas.Brush.Style = TBrushStyle::Solid;
    canvas.FillRect({0, 0, width, height});
    const TRect page = RectOfSize(at(PageRect.Left), at(PageRect.Top), at(PageRect.Width()), at(PageRect.Height()));
    if (const TBitmap* shown = ShownPage())
        canvas.Draw(page.Left, page.Top, *shown);
    // The window's outline with rounded corners: straight edges that stop 4 pixels short
    // of each corner and a two-pixel step across it, each logical pixel of it as the device
    // pixels it covers. Rectangles are given for the top-left corner and mirrored.
    auto mirrored = [&](const TRect& r, bool right, bool bottom) {
        TRect m = r;
        if (right)
            m.Left = width - r.Right, m.Right = width - r.Left;
        if (bottom)
            m.Top = height - r.Bottom, m.Bottom = height - r.Top;
        return m;
    };
    const TRect frameParts[] = {
        {at(4), 0, width - at(4), line},      // top edge
        {0, at(4), line, height - at(4)},     // left edge
        {at(2), at(1), at(4), at(1) + line},  // corner step, across
        {at(1), at(2), at(1) + line, at(4)},  // corner step, down
    };
    canvas.Brush.Color = FFrameColor;
    for (const TRect& part : frameParts)
        for (bool right : {false, true})
            for (bool bottom : {false, true})
                canvas.FillRect(mirrored(part, right, bottom));
    // The page lies in a hollow: shadow above and left, light below and right.
    canvas.Brush.Color = BlendColor(FBackColor, 0x000000, 200);
    canvas.FillRect({page.Left, page.Top - line, page.Right, page.Top});
    canvas.FillRect({page.Left - line, page.Top, page.Left, page.Bottom});
    canvas.Brush.Color = BlendColor(FBackColor, 0xFFFFFF, 180);
    canvas.FillRect({page.Left, page.Bottom, page.Right, page.Bottom + line});
    canvas.FillRect({page.Right, page.Top, page.Right + line, page.Bottom});
    return image;
}

void TMainWindow::paintEvent(QPaintEvent*) {
    FollowDevicePixelRatio(devicePixelRatioF());
    std::unique_ptr<TBitmap> image = ComposeImage();
    QImage view(image->ScanLine(0), image->Width(), image->Height(), image->RowStride(), QImage::Format_ARGB32);
    // Made in device pixels: one to one onto the screen's pixels.
    view.setDevicePixelRatio(FPageRatio);
    QPainter painter(this);
    if (FBehaviour->Layered()) {
        // Per-pixel alpha: opaque inside the rounded outline, transparent outside it.
        view = QImage(image->ScanLine(0), image->Width(), image->Height(), image->RowStride(), QImage::Format_RGB32);
        view.setDevicePixelRatio(FPageRatio);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.fillRect(rect(), Qt::transparent);
        painter.setClipRegion(MakeRoundRegion(width(), height(), true));
    }
    painter.drawImage(0, 0, view);
    if (!FStartUpScheduled) {
        FStartUpScheduled = true;
        QTimer::singleShot(0, this, [this] { FinishStartUp(); });
    }
}

void TMainWindow::closeEvent(QCloseEvent* event) {
    SaveAtExit();
    event->accept();
    QCoreApplication::quit();
}

void TMainWindow::MemoChanged(int32_t day) {
    if (day != FCurrentDate)
        return;
    ApplyColors();
    UpdateAccessibleName();
    update();
}

bool TMainWindow::event(QEvent* event) {
    // Moved by the user (the strip, the window manager): the place is kept a moment later.
    if (event->type() == QEvent::Move && isVisible() && pos() != FKeptPlace)
        ScheduleStateSave();
    return QWidget::event(event);
}

void TMainWindow::PressPage(TPoint at) {
    if (FIgnoreMouseDown > 0) {
        --FIgnoreMouseDown;
        return;
    }
    if (InTearArea(at.X, at.Y, width(), height())) {
        FTearArmed = true;
        FDownPos = at;
    }
}

void TMainWindow::PullPage(TPoint at) {
    if (!FTearArmed || at == FDownPos)
        return;
    if (QWidget::mouseGrabber() == this)
        releaseMouse();
    FTearArmed = false;
    FTearOffset = {at.X - FDownPos.X, at.Y - FDownPos.Y};
    TearOff();
}

void TMainWindow::OpenShownMemo() {
    OpenMemoEditorFor(FCurrentDate);
    FIgnoreMouseDown = 1;
}

void TMainWindow::TearOff() {
    TPoint pivot = HingePivot(FDownPos.X, PageRect.Left);
    auto* paper = new TPaperWindow(this, this);
    // The paper takes the page as it is drawn (the first one once its thread has drawn it);
    // ShowDate draws the next day in its place.
    ShownPage();
    paper->StartTear(x() + PageRect.Left - 1, y() + PageRect.Top - 1, FCurrentDate, FTearOffset, pivot,
                     std::move(FPageBitmap));
    FollowStacking(paper);
    paper->show();
    paper->grabMouse();

    RefreshPaperList();
    ShowDate(NextFreeDay(FPapers, FCurrentDate));
    update();

    RefreshPaperList();
    int max = AppGlobals().ReadInteger("CALENDAR", "MAX", 10);
    if (max >= FPapers.Count())
        return;
    FPapers.SortByMakeTime();
    int surplus = FPapers.Count() - std::max(max, 0);
    for (int i = 0; i < surplus; ++i)
        FPapers.Items(i)->close();
    QCoreApplication::processEvents();
}

// Only the left button tears: the right button opens the menu.
void TMainWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        PressPage({event->position().toPoint().x(), event->position().toPoint().y()});
}

void TMainWindow::mouseMoveEvent(QMouseEvent* event) {
    PullPage({event->position().toPoint().x(), event->position().toPoint().y()});
}

void TMainWindow::mouseReleaseEvent(QMouseEvent*) { FTearArmed = false; }

void TMainWindow::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    OpenShownMemo();
    // The press of the double click is swallowed, so that a double click never tears.
    PressPage({event->position().toPoint().x(), event->position().toPoint().y()});
}

void TMainWindow::contextMenuEvent(QContextMenuEvent* event) { PopupAt(event->globalPos()); }
