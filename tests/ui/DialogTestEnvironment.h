#pragma once
// A data folder of its own for each dialog test, with the process-wide settings, memos and
// colour scheme pointed into it, and a window that records the program messages it hears.

#include <gtest/gtest.h>

#include <QWidget>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <vector>

#include "platform/WindowMessages.h"
#include "storage/AppGlobals.h"
#include "storage/ColorScheme.h"
#include "storage/MemoStore.h"
#include "support/TestEnvironment.h"
#include "ui/MemoEditor.h"

// The window's child widget of that object name and type; a window without one fails the
// test and gives null.
template <class T>
T* Child(const QObject& window, const char* name) {
    T* child = window.findChild<T*>(QString::fromLatin1(name));
    if (!child)
        ADD_FAILURE() << "no child widget named " << name;
    return child;
}

// A top-level window that keeps every program message it receives.
class TMessageProbe : public QWidget {
public:
    struct TMessage {
        int Message;
        intptr_t WParam;
    };
    std::vector<TMessage> Received;

    int CountOf(int message) const {
        int count = 0;
        for (const TMessage& m : Received)
            count += m.Message == message;
        return count;
    }

protected:
    bool event(QEvent* e) override {
        if (e->type() == TWindowMessageEvent::EventType()) {
            const auto* message = static_cast<TWindowMessageEvent*>(e);
            Received.push_back({message->Message(), message->WParam()});
            return true;
        }
        return QWidget::event(e);
    }
};

class TDialogTestEnvironment {
public:
    TDialogTestEnvironment() {
        std::filesystem::create_directories(FEnvironment.Root() / "program");
        ReplaceAppGlobals(std::make_unique<TAppGlobals>((FEnvironment.Root() / "program/quillo").string(),
                                                        (FEnvironment.Root() / "machine.ini").string()));
        AppGlobals().SetDataDir((FEnvironment.Root() / "data").string());
        ReplaceMemoStore(std::make_unique<TMemoStore>(DataPath() + "Memos.txt"));
        ReplaceColorScheme(std::make_unique<TColorScheme>(DataPath() + "colors.clr"));
        ColorScheme().Load();
        // As the main window does when it opens; environments may nest, so it stays
        // connected (it only sends the message to the windows there are).
        ConnectMemoMessages();
    }
    ~TDialogTestEnvironment() {
        ReplaceColorScheme(nullptr);
        ReplaceMemoStore(nullptr);
        ReplaceAppGlobals(nullptr);
    }

    std::string DataPath() const { return (FEnvironment.Root() / "data").string() + "/"; }
    bool Exists(const std::string& name) const { return std::filesystem::exists(DataPath() + name); }
    std::string FileText(const std::string& name) const {
        std::ifstream in(DataPath() + name, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    void WriteFile(const std::string& name, const std::string& bytes) const {
        std::ofstream(DataPath() + name, std::ios::binary) << bytes;
    }

    TMessageProbe Probe;

private:
    TTestEnvironment FEnvironment;
};
