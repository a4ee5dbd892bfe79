#pragma once
// TMainWindow: the calendar's main window. It shows the page of one day below a strip with
// the menu, minimise and close buttons; pressing in the page and pulling tears the page
// off as a paper and moves the calendar on to the next day no paper shows. It owns the
// popup menu, the tray icon and the saving of every paper when the program ends.

#include <QPoint>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "graphics/Bitmap.h"
#include "graphics/QtText.h"
#include "storage/Geometry.h"
#include "ui/PaperWindow.h"

class QMenu;
class QTimer;
class TWindowBehaviour;
class TDrawnButton;
class TWindowBehaviour;
enum class TStacking;
class TTrayIcon;
class TPageAhead;
class TMemoSync;

class TMainWindow : public QWidget, public TPaperOwner {
public:
    static constexpr int WindowWidth = 130;
    static constexpr int WindowHeight = 151;
    static constexpr TRect PageRect{5, 26, 125, 146};
    static constexpr int StateSaveDelayMs = 1500;

    // Runs the start-up the first picture needs: position, memos, colours, holidays, the
    // stored day. The rest follows the first paint (FinishStartUp).
    TMainWindow();
    ~TMainWindow() override;

    // Makes day the calendar's date; closes the paper of that day if one lies open.
    // Nothing at all when day is already shown.
    void ShowDate(int32_t day) override;
    // Reads the colours and the gravity again and draws the page anew.
    void ApplyColors();
    void RestorePapers();
    void RefreshPaperList();
    void CloseAllPapers() override;
    void ArrangePapers() override;
    // What the first picture does not need, made just after it is on the screen: the papers
    // of the last run, the tray icon (and with it the session bus and the tray host's
    // questions), then OnStartedUp. Runs once, by itself after the first paint.
    void FinishStartUp();
    bool StartUpFinished() const { return FStartUpFinished; }
    // What start-up leaves for the end of FinishStartUp (listening for later starts,
    // clearing the leftovers of an interrupted write); an error it throws is reported.
    std::function<void()> OnStartedUp;
    void MinimizeToTray();
    void RestoreFromTray();
    // Saves every paper, the number of papers, the shown day and the window's place, then
    // closes the papers. A file that cannot be written is reported (ShowExceptionMessage)
    // and the others are still saved. Runs once, whichever way the program ends; later
    // calls write nothing and give the first call's answer: true when every file was written.
    bool SaveAtExit();
    bool Saved() const { return FSaved; }
    // The papers, their number, the shown day and the window's place a moment after they
    // changed (StateSaveDelayMs after the last change, and never while the pointer carries
    // a paper or the window), so that a run that ends without SaveAtExit (killed, a crash,
    // a power cut) loses at most that moment. Only files whose bytes change are written,
    // the settings file once. A failure goes to standard error (the exit's saving reports
    // it in a box) and the next change tries again.
    void PaperChanged() override { ScheduleStateSave(); }
    void ScheduleStateSave();
    bool StateSavePending() const;
    // Writes what changed now; false when a file could not be written. Nothing after
    // SaveAtExit.
    bool SaveState();
    // False once a file could not be written at exit.
    bool AllSaved() const { return FAllSaved; }

    int32_t CurrentDate() const override { return FCurrentDate; }
    // The pull on a carried paper ("CALENDAR"/"GRAVITY", read with the colours).
    int Gravity() const override { return FGravity; }
    const TPaperList& Papers() const { return FPapers; }
    // The shown page in device pixels, drawn for PageRatio.
    const TBitmap* PageBitmap() { return ShownPage(); }
    // The device pixel ratio the page and the composed image are made for: the ratio of
    // the window's screen, followed when the window paints or changes screens.
    double PageRatio() const { return FPageRatio; }
    // Draws the page anew for a screen of ratio when it differs from PageRatio.
    void FollowDevicePixelRatio(double ratio);
    uint32_t BackColor() const { return FBackColor; }
    uint32_t FrameColor() const { return FFrameColor; }
    bool TearArmed() const { return FTearArmed; }
    // Memo sync with the user's CalDAV server: made by FinishStartUp where sync was set up,
    // else when first wanted.
    // Throws EFileError when the sync module cannot be loaded.
    TMemoSync& Sync();
    // Made when first wanted.
    QMenu* Menu();
    TTrayIcon* TrayIcon();
    // The window as painted, in device pixels for PageRatio (DeviceLength(WindowWidth) ×
    // DeviceLength(WindowHeight)): background, page, frame, the page's shadow and highlight,
    // the page at whole device pixels and the lines one logical pixel wide.
    std::unique_ptr<TBitmap> ComposeImage();

protected:
    // The memo of day changed: the page redraws when it shows that day.
    void MemoChanged(int32_t day);
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    // A press in the page arms the tear; the first move of the armed press tears.
    void PressPage(TPoint at);
    void PullPage(TPoint at);
    void OpenShownMemo();
    void TearOff();
    void BuildMenu();
    void BuildButtons();
    void PopupAt(const QPoint& screenPoint);
    // The window and its papers go to that place in the stack, which the settings keep.
    void ChooseStacking(TStacking stacking);
    // A paper takes the window's place in the stack.
    void FollowStacking(TPaperWindow* paper) const;
    void UpdateAccessibleName();
    // The day is the one shown now (its page is in place or being drawn ahead).
    void DateShown(int32_t day);
    // The page shown; at start-up, once the thread that draws it has finished.
    TBitmap* ShownPage();
    // A page drawn anew in place of the shown one (and of one still being drawn ahead).
    void ReplacePage(std::unique_ptr<TBitmap> page);
    void StartSync();
    // A paper or the window is being carried: its place is not settled yet.
    bool StateInMotion();
    void OnStateSaveTimer();

    int32_t FCurrentDate = 0;
    std::unique_ptr<TBitmap> FPageBitmap;
    std::unique_ptr<TPageAhead> FPageAhead;
    double FPageRatio = 1;
    TPaperList FPapers;
    uint32_t FBackColor = 0xFFFFFF;
    uint32_t FFrameColor = 0x808080;
    int FGravity = DefaultGravity;
    TPoint FDownPos;
    TPoint FTearOffset;
    int FIgnoreMouseDown = 0;
    bool FTearArmed = false;
    bool FStartUpFinished = false;
    bool FStartUpScheduled = false;
    bool FSaved = false;
    bool FAllSaved = true;
    QMenu* FMenu = nullptr;
    TWindowBehaviour* FBehaviour = nullptr;
    TTrayIcon* FTrayIcon = nullptr;
    std::unique_ptr<TMemoSync> FSync;
    TDrawnButton* FMenuButton = nullptr;
    TDrawnButton* FMinimiseButton = nullptr;
    TDrawnButton* FCloseButton = nullptr;
    QTimer* FStateSaveTimer = nullptr;
    bool FStateSaveFailed = false;
    // The place the settings file holds (as loaded or last saved): a move back to it, or a
    // move event that changes nothing, is no change to save.
    QPoint FKeptPlace;
};

// The one main window, the process-wide object that start-up creates last (after the graphic
// source) and the end of the run releases first. Like the other process-wide objects,
// MainWindow() must only be called while it exists; HasMainWindow() tells.
TMainWindow& MainWindow();
bool HasMainWindow();
std::unique_ptr<TMainWindow> ReplaceMainWindow(std::unique_ptr<TMainWindow> instance);
void CreateMainWindow();
void DestroyMainWindow();

// The press at window point (x, y) of a window width × height lies where it tears the page
// (and where it refuses to drag the window): below the strip and inside the 5-pixel border.
bool InTearArea(int x, int y, int width, int height);
// The hinge corner of a page torn by a press at window x: its top-right corner (120, 0)
// for the left half of the page (60 included), else its top-left corner (0, 0).
TPoint HingePivot(int pressX, int pageLeft);
// The first day from day on that no paper of papers shows.
int32_t NextFreeDay(const TPaperList& papers, int32_t day);
// The places of a grid with a 120-pixel pitch for papers standing at windows (in the order
// they are to be laid out): from the least left and top, row by row, a new row once a
// column passes the greatest left.
std::vector<TPoint> GridPlaces(const std::vector<TRect>& windows);
