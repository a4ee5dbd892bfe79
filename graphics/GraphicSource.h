#pragma once
// The graphic source: named images for the custom buttons, looked up in the program's
// "resource/" folder, then in the archives (the archive "graphic" beside the program), then
// among the embedded resources, and cached by name. A name that begins with "\" describes
// a plain bitmap instead: "\width,height,colour,format".

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "graphics/ArchiveStream.h"
#include "graphics/Bitmap.h"

// A bitmap with the cache's keep flag and use count.
class TCachedImage : public TBitmap {
public:
    TCachedImage() = default;
    uint8_t Keep = 0;
    int UseCount = 0;
};

// Archives by name (file name without folder and extension), each owned here.
class TArchiveSet {
public:
    // Opens the archive at path and keeps it under its name; a missing file is passed over.
    // A damaged archive raises EFileError "<path> を読めません: " + the archive's message.
    void Add(const std::string& path);
    int Count() const { return static_cast<int>(FItems.size()); }
    const std::string& Names(int index) const { return FItems.at(index).Name; }
    TArchiveStream& Archives(int index) { return *FItems.at(index).Archive; }

private:
    struct TItem {
        std::string Name;
        std::unique_ptr<TArchiveStream> Archive;
    };
    std::vector<TItem> FItems;
};

// Cache modes of GetGraphic.
enum class TCacheMode : uint8_t {
    Cached,    // cached, not kept
    Keep,      // cached and marked to keep
    Uncached,  // loaded afresh, not cached
    Reload,    // loaded afresh and cached as a further entry
};

class TGraphicSource {
public:
    // programFolder ends in "/": adds the archive programFolder + "graphic" and looks for
    // files in programFolder + "resource/".
    explicit TGraphicSource(const std::string& programFolder);

    // The image of that name (see the cache modes). Cached images stay owned by the cache;
    // TCacheMode::Uncached hands the only reference to the caller. A name found nowhere raises
    // EResourceNotFound and changes nothing; decoder errors pass through.
    std::shared_ptr<TCachedImage> GetGraphic(const std::string& name, TCacheMode mode = TCacheMode::Cached,
                                             int firstArchive = 0);

    const std::string& FolderPath() const { return FFolderPath; }
    TArchiveSet& ArchiveSet() { return FArchiveSet; }
    int Count() const { return static_cast<int>(FCache.size()); }
    const std::string& Names(int index) const { return FCache.at(index).Name; }
    const std::shared_ptr<TCachedImage>& Graphics(int index) const { return FCache.at(index).Graphic; }

private:
    std::unique_ptr<TCachedImage> Load(const std::string& name, int firstArchive);
    struct TItem {
        std::string Name;
        std::shared_ptr<TCachedImage> Graphic;
    };
    std::vector<TItem> FCache;
    TArchiveSet FArchiveSet;
    std::string FFolderPath;
};

// The process-wide graphic source. CreateGraphicSource makes it from AppGlobals().ExePath()
// (start-up does so after the settings); DestroyGraphicSource frees it with every cached
// image and archive. Using it while none exists stops the program (HasGraphicSource asks).
TGraphicSource& GraphicSource();
bool HasGraphicSource();
std::unique_ptr<TGraphicSource> ReplaceGraphicSource(std::unique_ptr<TGraphicSource> instance);
void CreateGraphicSource();
void DestroyGraphicSource();
