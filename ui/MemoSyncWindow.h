#pragma once
// The window side of memo sync as the calendar reaches it through ui/SyncModule.h: built
// into the module "quillo-sync.so", and linked into the tests directly.

#include "ui/SyncModule.h"

// The module's one TSyncModule.
TSyncModule& LinkedSyncModule();
