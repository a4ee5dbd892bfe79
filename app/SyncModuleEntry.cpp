// The entry point of the module "quillo-sync.so", which the calendar looks up by name once
// it has loaded the module (ui/SyncModule.cpp).

#include "ui/MemoSyncWindow.h"

extern "C" __attribute__((visibility("default"))) TSyncModule* QuilloSyncModule() { return &LinkedSyncModule(); }
