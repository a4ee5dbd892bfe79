#pragma once
// TPaperWindow: a page torn off the calendar, shown as a borderless window of its own at
// its own angle. While it is torn it turns about one top corner of the page; past 10° it
// comes loose and hangs from the pointer, swinging under the process-wide gravity while it
// is carried; released, it lies where it is. TPaperOwner is what a paper asks of the window
// that tore it; TPaperList is that window's list of papers.

#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <vector>

#include "graphics/Bitmap.h"
#include "storage/Geometry.h"
#include "storage/PaperFile.h"
#include "ui/PaperTurn.h"

class QMenu;
class TWindowBehaviour;

// The pull on a carried paper when no owner says otherwise ("CALENDAR"/"GRAVITY").
constexpr int DefaultGravity = 10;

// What a paper needs of the calendar that tore it: the menu's commands for every paper,
// putting a page back, and the pull on a carried paper.
class TPaperOwner {
public:
    virtual ~TPaperOwner() = default;
    // The day the calendar shows.
    virtual int32_t CurrentDate() const = 0;
    // Makes day the calendar's date, which closes the paper of that day.
    virtual void ShowDate(int32_t day) = 0;
    virtual void CloseAllPapers() = 0;
    virtual void ArrangePapers() = 0;
    // The pull on a carried paper; 0 lets it hang as it was picked up, negative pulls up.
    virtual int Gravity() const = 0;
    // The paper came to rest somewhere else or closed: what the owner keeps on disk changed.
    virtual void PaperChanged() {}
};

class TPaperWindow : public QWidget {
public:
    // A paper shown above parent (the main window), without a taskbar entry; owner (may be
    // null: a paper on its own) outlives it. It releases itself when closed.
    TPaperWindow(QWidget* parent, TPaperOwner* owner);
    ~TPaperWindow() override;

    // Begins a tear: the page of day with its top-left corner at screen (left, top),
    // offset the pointer's movement since the tearing press, pivot (120, 0) or (0, 0) the
    // hinge corner in page coordinates. The caller then shows the paper and hands it the
    // mouse.
    // page: the page of day as the main window already shows it, handed over so that the
    // tear does not draw it again; null, or a page not drawn for this window's device pixel
    // ratio (its width other than DeviceLength(120, ratio)), draws it here.
    void StartTear(int left, int top, int32_t day, TPoint offset, TPoint pivot,
                   std::unique_ptr<TBitmap> page = nullptr);
    // Restores the paper saved under index; false (the paper untouched) when its file is
    // missing or unreadable.
    bool LoadFrom(int index);
    // Turns the paper to angle and redraws it where it stands.
    void StraightenAt(int angle);
    // Draws the page of PaperDate again (colours or memo changed), for the window's
    // device pixel ratio.
    void RenderPage();
    // Turns page, drawn for the window's device pixel ratio.
    void UsePage(std::unique_ptr<TBitmap> page);

    // One step of the drag with the pointer at screen point cursor: the hinged turn or
    // the free swing, whichever the paper is in. Nothing unless Dragging.
    void DragStep(TPoint cursor);

    int32_t PaperDate() const { return FPaperDate; }
    double MakeTime() const { return FMakeTime; }
    bool Hinged() const { return FHinged; }
    bool Dragging() const { return FDragging; }
    bool SwingTimerActive() const { return FSwingTimer.isActive(); }
    const TPaperTurn& Turn() const { return FTurn; }
    // Closed by the user or the program; the window is released after the current event.
    bool Closing() const { return FClosing; }
    // Creation order of the papers of this run, for a stable window order.
    uint64_t Serial() const { return FSerial; }
    // What SavePaper writes.
    TPaperRecord Record() const;
    QMenu* Menu() const { return FMenu; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void TakeHold(Qt::MouseButton button, TPoint cursor);
    void LetGo();
    void OpenPaperMemo();
    void OnSwingTimer();
    void RedrawPage();
    void DragHinged(TPoint cursor);
    void DragFree(TPoint cursor);
    void ShowBitmap(const TBitmap& bitmap, int x, int y);
    void BuildMenu();
    // The device pixel ratio the window is shown at.
    double Ratio() const;

    TPaperTurn FTurn;
    std::unique_ptr<TBitmap> FPageBitmap;
    int32_t FPaperDate = 0;
    double FMakeTime = 0;
    bool FHinged = false;
    bool FDragging = false;
    TPoint FHoldPoint;
    TPoint FLastCursor;
    int FIgnoreMouseDown = 0;
    bool FClosing = false;
    uint64_t FSerial = 0;
    QTimer FSwingTimer;
    QMenu* FMenu = nullptr;
    TWindowBehaviour* FBehaviour = nullptr;
    TPaperOwner* FOwner = nullptr;
};

// Writes paper's angle, place, size, date and creation time to its file for index.
// EFileError when the file cannot be written.
void SavePaper(const TPaperWindow& paper, int index);

// The papers of the desktop, in a given order; the list does not own them.
class TPaperList {
public:
    void Clear() { FItems.clear(); }
    void Add(TPaperWindow* paper) { FItems.push_back(paper); }
    int Count() const { return static_cast<int>(FItems.size()); }
    TPaperWindow* Items(int index) const { return FItems[static_cast<size_t>(index)]; }
    // First index whose paper shows day; -1 when none does.
    int IndexOfDate(int32_t day) const;
    // Ascending day; papers of the same day in any order.
    void SortByDate();
    // Oldest creation time first; papers of the same time in any order.
    void SortByMakeTime();

private:
    std::vector<TPaperWindow*> FItems;
};

// The open papers of the program (those not closing) in their creation order.
void CollectOpenPapers(TPaperList& papers);
