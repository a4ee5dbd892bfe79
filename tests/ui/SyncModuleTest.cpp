#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "storage/Exception.h"
#include "ui/SyncModule.h"

// This program links no window side of sync, so the calendar's loader looks for the module
// beside it: a missing or damaged module is an error that names it, never a crash.
TEST(SyncModule, AModuleThatIsMissingOrDamagedIsReportedByName) {
    const std::filesystem::path beside =
        std::filesystem::read_symlink("/proc/self/exe").parent_path() / "quillo-sync.so";
    struct TCase {
        const char* Name;
        const char* Content;  // null: no file
        const char* Says;
    };
    const TCase cases[] = {
        {"missing", nullptr, "が見つかりません"},
        {"not a library", "not a shared object", "を読み込めません"},
    };
    for (const TCase& c : cases) {
        if (c.Content)
            std::ofstream(beside) << c.Content;
        try {
            SyncModule();
            ADD_FAILURE() << c.Name << ": loaded";
        } catch (const EFileError& error) {
            EXPECT_NE(error.Message().find(c.Says), std::string::npos) << c.Name << ": " << error.Message();
            EXPECT_NE(error.Message().find("quillo-sync.so"), std::string::npos) << c.Name << ": " << error.Message();
        }
        std::filesystem::remove(beside);
    }
}
