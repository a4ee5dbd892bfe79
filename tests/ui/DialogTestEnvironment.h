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

#include "storage/AppGlobals.h"
#include "storage/ColorScheme.h"
#include "storage/MemoStore.h"
#include "support/TestEnvironment.h"
#include "ui/MemoEditor.h"
#include "ui/Notices.h"

// The window's child widget of that object name and type; a window without one fails the
// test and gives null.
template <class T>
T* Child(const QObject& window, const char* name) {
    T* child = window.findChild<T*>(QString::fromLatin1(name));
    if (!child)
        ADD_FAILURE() << "no child widget named " << name;
    return child;
}

// Keeps every notice the windows are told.
class TNoticeProbe : public QObject {
public:
    TNoticeProbe() {
        ColorsChangedNotice().Listen(this, [this] { ++ColorChanges; });
        MemoChangedNotice().Listen(this, [this](int32_t day) { MemoDays.push_back(day); });
    }
    int ColorChanges = 0;
    std::vector<int32_t> MemoDays;
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

    TNoticeProbe Probe;

private:
    TTestEnvironment FEnvironment;
};
