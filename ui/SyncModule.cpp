#include "ui/SyncModule.h"

#include <dlfcn.h>
#include <unistd.h>

#include "storage/Exception.h"
#include "storage/FileUtils.h"
#include "sync/SyncSettings.h"

// The installed module's folder from the program's (set by the build from the install
// layout).
#ifndef QUILLO_MODULE_FOLDER
#define QUILLO_MODULE_FOLDER "../lib/quillo/"
#endif

namespace {

constexpr char ModuleName[] = "quillo-sync.so";

// Loaded once and kept for the rest of the run: its objects may live as long as the process.
TSyncModule* Module = nullptr;

TSyncModule& Load() {
    const std::string folder = FolderOf(RunningProgramFile());
    const std::string candidates[] = {folder + ModuleName, folder + QUILLO_MODULE_FOLDER + ModuleName};
    for (const std::string& path : candidates) {
        if (folder.empty() || access(path.c_str(), F_OK) != 0)
            continue;
        // Every symbol now: a module that does not fit this program fails here, not at a
        // later call.
        void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle)
            throw EFileError(std::string("メモの同期の部品を読み込めません: ") + dlerror());
        auto* entry = reinterpret_cast<TSyncModule* (*)()>(dlsym(handle, SyncModuleEntry));
        if (!entry)
            throw EFileError("メモの同期の部品ではありません: " + path);
        return *entry();
    }
    throw EFileError("メモの同期の部品 " + std::string(ModuleName) + " が見つかりません: " + candidates[0] + ", " +
                     candidates[1]);
}

}  // namespace

TSyncModule& SyncModule() {
    if (!Module)
        Module = &Load();
    return *Module;
}

bool SyncSetUp(const std::string& dataPath) { return LoadSyncSettings(dataPath).Configured(); }

void UseSyncModule(TSyncModule* linked) { Module = linked; }
