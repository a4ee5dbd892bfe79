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

}  // namespace

// The line for a missing display is checked end to end (tests/e2e/test_startup.py); here,
// which runs need a display at all: the tests' offscreen runs must never be stopped.
TEST(XDisplayCheck, OnlyARunOnXIsChecked) {
    struct TCase {
        const char* Variable;  // QT_QPA_PLATFORM; nullptr: unset
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
        {nullptr, {"quillo", "-platform"}, "", true},  // a last word without its value
    };
    for (const TCase& c : cases) {
        TScopedVariable platform("QT_QPA_PLATFORM", c.Variable);
        TArguments arguments(c.Arguments);
        std::string requested = RequestedQtPlatform(arguments.Count(), arguments.Pointers.data());
        EXPECT_EQ(requested, c.Requested) << (c.Variable ? c.Variable : "(unset)");
        EXPECT_EQ(PlatformUsesX(requested), c.UsesX) << requested;
    }
}
