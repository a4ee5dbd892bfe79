#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QCursor>
#include <QElapsedTimer>
#include <QSystemTrayIcon>
#include <QWidget>

#include <string>
#include <vector>

#include "storage/Exception.h"
#include "storage/Text.h"
#include "ui/TrayHostWatcher.h"
#include "ui/TrayIcon.h"

namespace {

bool TrayRuns() { return true; }
bool NoTray() { return false; }

// Fixes whether a tray host runs for one test and puts the real question back afterwards.
class TTrayAnswer {
public:
    explicit TTrayAnswer(TTrayIcon::TTrayProbe probe) : FPrevious(TTrayIcon::SetTrayProbe(probe)) {}
    ~TTrayAnswer() { TTrayIcon::SetTrayProbe(FPrevious); }
    void Set(TTrayIcon::TTrayProbe probe) { TTrayIcon::SetTrayProbe(probe); }

private:
    TTrayIcon::TTrayProbe FPrevious;
};

std::string ShiftText(TShiftState shift) {
    std::string text;
    const std::pair<TShiftStateBit, const char*> names[] = {{TShiftStateBit::Left, "Left"},
                                                            {TShiftStateBit::Right, "Right"},
                                                            {TShiftStateBit::Middle, "Middle"},
                                                            {TShiftStateBit::Double, "Double"}};
    for (const auto& [bit, name] : names)
        if (shift.testFlag(bit))
            text += name;
    return text;
}

const char* ButtonText(TMouseButton button) {
    return button == TMouseButton::Left ? "L" : button == TMouseButton::Right ? "R" : "M";
}

// Records every event of the icon as one line.
void Record(TTrayIcon& icon, std::vector<std::string>& events) {
    const QPoint cursor = QCursor::pos();
    icon.OnDblClick = [&events](QObject*) { events.push_back("dblclick"); };
    icon.OnMouseDown = [&events, cursor](QObject*, TMouseButton button, TShiftState shift, int x, int y) {
        events.push_back(std::string("down ") + ButtonText(button) + " " + ShiftText(shift) +
                         (QPoint(x, y) == cursor ? "" : " elsewhere"));
    };
    icon.OnMouseUp = [&events](QObject*, TMouseButton button, TShiftState shift, int, int) {
        events.push_back(std::string("up ") + ButtonText(button) + " " + ShiftText(shift));
    };
}

TEST(TrayIconTest, ClicksOnTheIconBecomeMouseEvents) {
    using Events = std::vector<std::string>;
    struct Case {
        QSystemTrayIcon::ActivationReason Reason;
        Events Expected;
    } cases[] = {
        {QSystemTrayIcon::Trigger, {"down L Left", "up L Left"}},
        {QSystemTrayIcon::DoubleClick, {"dblclick", "down L Double"}},
        {QSystemTrayIcon::Context, {"down R Right", "up R Right"}},
        {QSystemTrayIcon::MiddleClick, {"down M Middle", "up M Middle"}},
        {QSystemTrayIcon::Unknown, {}},
    };
    QWidget owner;
    TTrayIcon* icon = new TTrayIcon(&owner);
    for (const Case& c : cases) {
        Events events;
        Record(*icon, events);
        icon->HandleActivation(c.Reason);
        EXPECT_EQ(events, c.Expected) << int(c.Reason);
    }
    // Events without a handler are skipped.
    icon->OnMouseDown = nullptr;
    Events events;
    icon->OnMouseUp = [&](QObject*, TMouseButton, TShiftState, int, int) { events.push_back("up"); };
    icon->HandleActivation(QSystemTrayIcon::Trigger);
    EXPECT_EQ(events, Events{"up"});
}

std::string DisplayedMessage;
void RememberMessage(const std::exception& error) {
    auto* own = dynamic_cast<const Exception*>(&error);
    DisplayedMessage = own ? own->Message() : error.what();
}

TEST(TrayIconTest, AHandlersExceptionIsShownAndGoesNoFurther) {
    auto previous = TTrayIcon::SetExceptionDisplay(&RememberMessage);
    QWidget owner;
    TTrayIcon* icon = new TTrayIcon(&owner);
    int ups = 0;
    icon->OnMouseDown = [](QObject*, TMouseButton, TShiftState, int, int) {
        throw Exception(std::string("表示できません"));
    };
    icon->OnMouseUp = [&](QObject*, TMouseButton, TShiftState, int, int) { ++ups; };
    DisplayedMessage.clear();
    EXPECT_NO_THROW(icon->HandleActivation(QSystemTrayIcon::Trigger));
    EXPECT_EQ(DisplayedMessage, std::string("表示できません"));
    EXPECT_EQ(ups, 0);
    TTrayIcon::SetExceptionDisplay(previous);
}

TEST(TrayIconTest, AHandlerThatEndsTheIconEndsTheClick) {
    auto* owner = new QWidget;
    TTrayIcon* icon = new TTrayIcon(owner);
    int ups = 0;
    icon->OnMouseDown = [&](QObject*, TMouseButton, TShiftState, int, int) { delete owner; };
    icon->OnMouseUp = [&](QObject*, TMouseButton, TShiftState, int, int) { ++ups; };
    icon->HandleActivation(QSystemTrayIcon::Trigger);
    EXPECT_EQ(ups, 0);
}

TEST(TrayIconTest, TipTextIsCutAtSixtyThreeBytesWithoutSplittingACharacter) {
    const std::string ascii70(70, 'a');
    const std::string sjis = std::string(62, 'b') + std::string("ソ");  // the lead byte is byte 63
    struct Case {
        std::string Text;
        std::string Expected;
    } cases[] = {
        {ascii70, std::string(63, 'a')},
        {std::string(63, 'c'), std::string(63, 'c')},
        {sjis, std::string(62, 'b')},
        {std::string(61, 'd') + std::string("表"), std::string(61, 'd') + std::string("表")},
        {std::string("日めくり暦"), std::string("日めくり暦")},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CutTipText(c.Text), c.Expected) << c.Text.size();
}

TEST(TrayIconTest, TheIconIsInTheTrayOnlyWhileEnabled) {
    TTrayAnswer tray(&TrayRuns);
    QWidget owner;
    TTrayIcon* icon = new TTrayIcon(&owner);
    icon->SetText(std::string("日めくり暦"));
    EXPECT_FALSE(icon->Added());  // a tip alone does not put the icon up
    icon->SetEnabled(true);
    EXPECT_TRUE(icon->Added());
    EXPECT_EQ(icon->ShownTip(), QStringLiteral("日めくり暦"));
    icon->SetText(std::string("暦"));
    EXPECT_EQ(icon->ShownTip(), QStringLiteral("暦"));
    EXPECT_FALSE(icon->ShownIcon().isNull());  // the calendar's own page without an icon set
    icon->SetEnabled(false);
    EXPECT_FALSE(icon->Added());
}

TEST(TrayIconTest, WithoutATrayHostMinimisingKeepsTheWindowWithinReach) {
    TTrayAnswer tray(&NoTray);
    QWidget owner(nullptr, Qt::FramelessWindowHint);
    TTrayIcon* icon = new TTrayIcon(&owner);
    icon->SetEnabled(true);
    EXPECT_TRUE(icon->EnabledWanted());
    EXPECT_FALSE(icon->Enabled());
    owner.show();
    icon->UpdateAppButton();
    EXPECT_FALSE(owner.windowFlags().testFlag(Qt::Tool));  // keeps its taskbar button
    icon->MinimizeOwner();
    EXPECT_TRUE(owner.isVisible());
    EXPECT_TRUE(owner.windowState() & Qt::WindowMinimized);

    // A host that starts later is used from then on.
    tray.Set(&TrayRuns);
    owner.showNormal();
    EXPECT_TRUE(icon->Enabled());
    icon->UpdateAppButton();
    EXPECT_TRUE(owner.windowFlags().testFlag(Qt::Tool));
    EXPECT_TRUE(owner.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(owner.isVisible());
    EXPECT_TRUE(owner.testAttribute(Qt::WA_QuitOnClose));  // closing it still ends the program
    icon->MinimizeOwner();
    EXPECT_FALSE(owner.isVisible());

    // The host goes away while the window hides in it: the window comes back, minimised,
    // with its taskbar button.
    tray.Set(&NoTray);
    icon->TrayHostChanged();
    EXPECT_TRUE(owner.isVisible());
    EXPECT_TRUE(owner.windowState() & Qt::WindowMinimized);
    EXPECT_FALSE(owner.windowFlags().testFlag(Qt::Tool));
}

TEST(TrayIconTest, TheHostComingAndGoingMovesTheTaskbarButton) {
    TTrayAnswer tray(&NoTray);
    QWidget owner(nullptr, Qt::FramelessWindowHint);
    TTrayIcon* icon = new TTrayIcon(&owner);
    int lost = 0;
    icon->OnHostLost = [&](QObject*) { ++lost; };
    icon->SetEnabled(true);
    owner.show();

    tray.Set(&TrayRuns);
    icon->TrayHostChanged();
    EXPECT_TRUE(owner.windowFlags().testFlag(Qt::Tool));
    EXPECT_TRUE(owner.isVisible());
    EXPECT_TRUE(icon->Added());

    // Lost while the window stands on the desktop: only the taskbar button comes back.
    tray.Set(&NoTray);
    icon->TrayHostChanged();
    EXPECT_FALSE(owner.windowFlags().testFlag(Qt::Tool));
    EXPECT_EQ(lost, 0);

    // Lost while hidden in the tray: the window's own handler brings it back.
    tray.Set(&TrayRuns);
    icon->TrayHostChanged();
    icon->MinimizeOwner();
    ASSERT_FALSE(owner.isVisible());
    tray.Set(&NoTray);
    icon->TrayHostChanged();
    EXPECT_EQ(lost, 1);

    // A disabled icon ignores the host.
    icon->SetEnabled(false);
    tray.Set(&TrayRuns);
    icon->TrayHostChanged();
    EXPECT_FALSE(owner.windowFlags().testFlag(Qt::Tool));
}

// The tray object the component made, if any.
QSystemTrayIcon* MadeTray(TTrayIcon& icon) { return icon.findChild<QSystemTrayIcon*>(); }

TEST(TrayIconTest, TheTrayIsMadeOnlyOnceAHostRuns) {
    // Qt chooses its tray for good when the first tray object is made: without a host the
    // component must not make one, or a host that starts later could never show the icon.
    TTrayAnswer tray(&NoTray);
    QWidget owner(nullptr, Qt::FramelessWindowHint);
    TTrayIcon* icon = new TTrayIcon(&owner);
    icon->SetText(std::string("日めくり暦"));
    icon->SetEnabled(true);
    icon->SetIcon(QIcon());
    owner.show();
    icon->MinimizeOwner();
    icon->TrayHostChanged();
    EXPECT_FALSE(icon->TrayMade());
    EXPECT_EQ(MadeTray(*icon), nullptr);
    EXPECT_TRUE(icon->Added());  // waits for a host
    EXPECT_TRUE(owner.isVisible());
    EXPECT_TRUE(owner.windowState() & Qt::WindowMinimized);

    // The host starts: the icon is made and shown with its tip, and the window leaves the
    // taskbar.
    owner.showNormal();
    tray.Set(&TrayRuns);
    icon->TrayHostChanged();
    QSystemTrayIcon* made = MadeTray(*icon);
    ASSERT_NE(made, nullptr);
    EXPECT_TRUE(made->isVisible());
    EXPECT_EQ(made->toolTip(), QStringLiteral("日めくり暦"));
    EXPECT_TRUE(owner.windowFlags().testFlag(Qt::Tool));

    // Host gone and back: the same tray object stays (Qt's choice does not change).
    tray.Set(&NoTray);
    icon->TrayHostChanged();
    tray.Set(&TrayRuns);
    icon->TrayHostChanged();
    EXPECT_EQ(MadeTray(*icon), made);
    EXPECT_EQ(icon->findChildren<QSystemTrayIcon*>().size(), 1);
}

// Runs the event loop for a moment: the watcher asks again on a zero-time timer.
void Settle() {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 30)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

TEST(TrayHostWatcherTest, TellsOnlyOfAChangedAnswerAndAsksOncePerEvent) {
    bool host = false;
    int asked = 0;
    int changes = 0;
    TTrayHostWatcher watcher(
        [&] {
            ++asked;
            return host;
        },
        [&] { ++changes; });
    EXPECT_EQ(asked, 1);  // the answer at the start
    EXPECT_FALSE(watcher.HostKnown());

    // Three requests in one event are one question; the same answer tells nobody.
    watcher.Recheck();
    watcher.Recheck();
    watcher.Recheck();
    Settle();
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(changes, 0);

    host = true;
    watcher.Recheck();
    Settle();
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(watcher.HostKnown());

    host = false;
    watcher.Recheck();
    Settle();
    EXPECT_EQ(changes, 2);
    EXPECT_FALSE(watcher.HostKnown());
}

}  // namespace
