#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/XDisplayCheck.h"

namespace {

// Sets an environment variable for the lifetime of the object (nullptr: unset).
class TScopedVariable {
public:
    TScopedVariable(const char* name, const char* value) : FName(name) {
        if (const char* old = std::getenv(name))
            FOld = old, FHadValue = true;
        value ? setenv(name, value, 1) : unsetenv(name);
    }
    ~TScopedVariable() { FHadValue ? setenv(FName, FOld.c_str(), 1) : unsetenv(FName); }

private:
    const char* FName;
    std::string FOld;
    bool FHadValue = false;
};

struct TArguments {
    std::vector<std::string> Words;
    std::vector<char*> Pointers;
    explicit TArguments(std::vector<std::string> words) : Words(std::move(words)) {
        for (std::string& word : Words)
            Pointers.push_back(word.data());
        Pointers.push_back(nullptr);
    }
    int Count() const { return static_cast<int>(Words.size()); }
};

} // namespace

TEST(XDisplayCheck, OnlyARunOnXIsChecked) {
    struct TCase {
        const char* Variable;   // QT_QPA_PLATFORM; nullptr: unset
        std::vector<std::string> Arguments;
        std::string Requested;
        bool UsesX;
    };
    const TCase cases[] = {
        {nullptr, {"quillo"}, "", true},
        {"", {"quillo"}, "", true},
        {"xcb", {"quillo"}, "xcb", true},
        {"xcb:nograb", {"quillo"}, "xcb:nograb", true},
        {"offscreen", {"quillo"}, "offscreen", false},
        {"wayland", {"quillo"}, "wayland", false},
        {"xcbx", {"quillo"}, "xcbx", false},
        {"offscreen", {"quillo", "-platform", "xcb"}, "xcb", true},
        {nullptr, {"quillo", "-platform", "offscreen"}, "offscreen", false},
        {nullptr, {"quillo", "-platform"}, "", true},   // a last word without its value
    };
    for (const TCase& c : cases) {
        TScopedVariable platform("QT_QPA_PLATFORM", c.Variable);
        TArguments arguments(c.Arguments);
        std::string requested = RequestedQtPlatform(arguments.Count(), arguments.Pointers.data());
        EXPECT_EQ(requested, c.Requested) << (c.Variable ? c.Variable : "(unset)");
        EXPECT_EQ(PlatformUsesX(requested), c.UsesX) << requested;
    }
}

TEST(XDisplayCheck, AMissingDisplayIsOneClearLine) {
    TArguments onX({"quillo", "-platform", "xcb"});
    struct TCase {
        const char* Display;
        std::string Problem;
    };
    const TCase cases[] = {
        {nullptr, "cannot open the X display (DISPLAY is not set): the calendar needs X11 or XWayland"},
        {"", "cannot open the X display (DISPLAY is not set): the calendar needs X11 or XWayland"},
        {":9999", "cannot open the X display \":9999\": the calendar needs X11 or XWayland"},
        {"no such display", "cannot open the X display \"no such display\": the calendar needs X11 or XWayland"},
    };
    for (const TCase& c : cases) {
        TScopedVariable display("DISPLAY", c.Display);
        TXDisplayCheck check(onX.Count(), onX.Pointers.data());
        EXPECT_EQ(check.Problem(), c.Problem);
    }
    // Not on X: nothing is checked.
    TScopedVariable display("DISPLAY", nullptr);
    TArguments offscreen({"quillo", "-platform", "offscreen"});
    EXPECT_EQ(TXDisplayCheck(offscreen.Count(), offscreen.Pointers.data()).Problem(), "");
}
