#include <gtest/gtest.h>

#include <QPointer>
#include <QWidget>
#include <vector>

#include "platform/FormMessages.h"

namespace {

// A window that records the program messages it receives and can close another on one.
class TRecordingForm : public QWidget {
public:
    std::vector<std::pair<int, intptr_t>> Received;
    QWidget* CloseOnMessage = nullptr;

protected:
    bool event(QEvent* event) override {
        if (event->type() == TFormMessageEvent::EventType()) {
            auto* message = static_cast<TFormMessageEvent*>(event);
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

} // namespace

TEST(FormMessages, MessageNumbersMatchTheWindowUserBase) {
    EXPECT_EQ(UM_COLORRESET, 0x0464);
    EXPECT_EQ(UM_BACKGROUND, 0x0466);
    EXPECT_EQ(UM_MEMOCHANGED, 0x04CA);
}

TEST(FormMessages, BroadcastReachesEveryTopLevelWindowSynchronously) {
    TRecordingForm first;
    TRecordingForm second;
    QWidget child(&first);   // not a top-level window: gets nothing
    BroadcastToForms(UM_MEMOCHANGED, 46000, 0);
    ASSERT_EQ(first.Received.size(), 1u);
    ASSERT_EQ(second.Received.size(), 1u);
    EXPECT_EQ(first.Received[0], std::make_pair(UM_MEMOCHANGED, intptr_t{46000}));
    EXPECT_EQ(SendFormMessage(&second, UM_COLORRESET), 42);
}

TEST(FormMessages, AWindowClosedDuringTheBroadcastIsSkipped) {
    auto* first = new TRecordingForm;
    auto* second = new TRecordingForm;
    first->CloseOnMessage = second;
    second->CloseOnMessage = first;   // whichever hears first closes the other
    QPointer<TRecordingForm> firstAlive(first);
    QPointer<TRecordingForm> secondAlive(second);
    BroadcastToForms(UM_COLORRESET);
    ASSERT_NE(bool(firstAlive), bool(secondAlive));
    TRecordingForm* survivor = firstAlive ? first : second;
    EXPECT_EQ(survivor->Received.size(), 1u);
    delete survivor;
}
