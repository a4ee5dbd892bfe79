#pragma once
// The holder of a process-wide object (the almanac, the settings, the colour scheme, the
// memo store, the main window). Start-up creates each in its order and shutdown releases
// them in reverse; tests put in instances of their own. The holder is a plain pointer that
// is initialised at compile time, so no static-initialisation order is involved.

#include <cstdio>
#include <cstdlib>
#include <memory>

template <typename T>
class TProcessWide {
public:
    explicit constexpr TProcessWide(const char* name) : FName(name) {}
    TProcessWide(const TProcessWide&) = delete;
    TProcessWide& operator=(const TProcessWide&) = delete;

    // The object. Using it before start-up made it or after shutdown released it is a
    // programmer's error and stops the program with its name.
    T& Get() const {
        if (!FInstance) {
            std::fprintf(stderr, "%s used while it does not exist\n", FName);
            std::abort();
        }
        return *FInstance;
    }
    bool Exists() const { return FInstance != nullptr; }
    // Puts instance in place (null releases the object) and hands back the previous one.
    std::unique_ptr<T> Replace(std::unique_ptr<T> instance) {
        std::unique_ptr<T> previous(FInstance);
        FInstance = instance.release();
        return previous;
    }

private:
    const char* FName;
    T* FInstance = nullptr;
};
