#include <gtest/gtest.h>

#include <QPointer>
#include <QWidget>
#include <vector>

#include "platform/WindowMessages.h"

namespace {

// A window that records the program messages it receives and can close another on one.
class TRecordingWindow : public QWidget {
public:
    std::vector<std::pair<int, intptr_t>> Received;
    QWidget* CloseOnMessage = nullptr;

protected:
    bool event(QEvent* event) override {
        if (event->type() == TWindowMessageEvent::EventType()) {
            auto* message = static_cast<TWindowMessageEvent*>(event);
            Received.emplace_back(message->Message(), message->WParam());
            message->SetResult(42);
            if (CloseOnMessage) {
                delete CloseOnMessage;
                CloseOnMessage = nullptr;
            }
            return true;
        }
        return QWidget::event(event);
    }
};

}  // namespace

TEST(WindowMessages, MessageNumbersMatchTheWindowUserBase) {
    EXPECT_EQ(UM_COLORRESET, 0x0464);
    EXPECT_EQ(UM_BACKGROUND, 0x0466);
    EXPECT_EQ(UM_MEMOCHANGED, 0x04CA);
}

TEST(WindowMessages, BroadcastReachesEveryTopLevelWindowSynchronously) {
    TRecordingWindow first;
    TRecordingWindow second;
    QWidget child(&first);  // not a top-level window: gets nothing
    BroadcastToWindows(UM_MEMOCHANGED, 46000, 0);
    ASSERT_EQ(first.Received.size(), 1u);
    ASSERT_EQ(second.Received.size(), 1u);
    EXPECT_EQ(first.Received[0], std::make_pair(UM_MEMOCHANGED, intptr_t{46000}));
    EXPECT_EQ(SendWindowMessage(&second, UM_COLORRESET), 42);
}

TEST(WindowMessages, AWindowClosedDuringTheBroadcastIsSkipped) {
    auto* first = new TRecordingWindow;
    auto* second = new TRecordingWindow;
    first->CloseOnMessage = second;
    second->CloseOnMessage = first;  // whichever hears first closes the other
    QPointer<TRecordingWindow> firstAlive(first);
    QPointer<TRecordingWindow> secondAlive(second);
    BroadcastToWindows(UM_COLORRESET);
    ASSERT_NE(bool(firstAlive), bool(secondAlive));
    TRecordingWindow* survivor = firstAlive ? first : second;
    EXPECT_EQ(survivor->Received.size(), 1u);
    delete survivor;
}
