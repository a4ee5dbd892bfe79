// These tests link the window side of memo sync into themselves: the calendar's windows
// reach it as they would reach the module the calendar loads.

#include "ui/MemoSyncWindow.h"

namespace {

const bool Linked = [] {
    UseSyncModule(&LinkedSyncModule());
    return true;
}();

}  // namespace
