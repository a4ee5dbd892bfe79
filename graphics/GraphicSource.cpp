#include "graphics/GraphicSource.h"

#include "graphics/Canvas.h"
#include "graphics/ImageLoader.h"
#include "storage/AppGlobals.h"
#include "storage/Exception.h"
#include "storage/FileUtils.h"
#include "storage/ProcessWide.h"
#include "storage/Resources.h"
#include "storage/Text.h"
#include "storage/TextUtils.h"

namespace {

std::string WithoutExtension(const std::string& fileName) {
    size_t slash = fileName.find_last_of('/');
    size_t start = slash == std::string::npos ? 0 : slash + 1;
    size_t dot = fileName.rfind('.');
    return fileName.substr(start, dot == std::string::npos || dot < start ? std::string::npos : dot - start);
}

// "\16,16,$0000FF,32": every backslash removed, then width, height, colour and format
// separated by commas.
std::unique_ptr<TCachedImage> PlainBitmap(const std::string& name) {
    std::string text;
    for (char c : name)
        if (c != '\\')
            text += c;
    std::string fields[4];
    size_t at = 0;
    for (int k = 0; k < 4 && at <= text.size(); ++k) {
        size_t comma = k < 3 ? text.find(',', at) : std::string::npos;
        fields[k] = text.substr(at, comma == std::string::npos ? std::string::npos : comma - at);
        at = comma == std::string::npos ? text.size() + 1 : comma + 1;
    }
    auto graphic = std::make_unique<TCachedImage>();
    uint32_t color = static_cast<uint32_t>(ParseIntOr(fields[2], 0));
    graphic->Canvas().Brush.Color = color & 0xFFFFFF;
    if (fields[3] == "32")
        graphic->SetPixelFormat(TPixelFormat::Bits32);  // filled pixels get alpha 255
    graphic->SetSize(ParseIntOr(fields[0], 0), ParseIntOr(fields[1], 0));
    return graphic;
}

TProcessWide<TGraphicSource> TheGraphicSource("GraphicSource");

}  // namespace

void TArchiveSet::Add(const std::string& path) {
    if (!FileExists(path))
        return;
    std::unique_ptr<TArchiveStream> archive;
    try {
        archive = std::make_unique<TArchiveStream>(path);
    } catch (const Exception& error) {
        // The archive's own message does not say which file it is.
        throw EFileError(path + " を読めません: " + error.Message());
    }
    FItems.push_back({WithoutExtension(path), std::move(archive)});
}

TGraphicSource::TGraphicSource(const std::string& programFolder) {
    FArchiveSet.Add(programFolder + "graphic");
    FFolderPath = programFolder + "resource/";
}

std::unique_ptr<TCachedImage> TGraphicSource::Load(const std::string& name, int firstArchive) {
    if (!name.empty() && name[0] == '\\')
        return PlainBitmap(name);
    auto graphic = std::make_unique<TCachedImage>();
    if (FileExists(FFolderPath + name)) {
        TFileStream file(FFolderPath + name, TFileMode::Read);
        LoadGraphic(*graphic, name, file);
        return graphic;
    }
    for (int i = std::max(firstArchive, 0); i < FArchiveSet.Count(); ++i)
        if (FArchiveSet.Archives(i).SelectFile(name)) {
            LoadGraphic(*graphic, name, FArchiveSet.Archives(i));
            return graphic;
        }
    std::string_view bytes;
    if (!FindResourceBytes(WithoutExtension(name), bytes))
        throw EResourceNotFound("リソース " + WithoutExtension(name) + " が見つかりません");
    TBytesStream resource(bytes);
    LoadGraphic(*graphic, name, resource);
    return graphic;
}

std::shared_ptr<TCachedImage> TGraphicSource::GetGraphic(const std::string& name, TCacheMode mode, int firstArchive) {
    if (mode != TCacheMode::Reload)
        for (TItem& item : FCache)
            if (AsciiSameText(item.Name, name)) {
                ++item.Graphic->UseCount;
                if (mode == TCacheMode::Keep && item.Graphic->Keep == 0)
                    item.Graphic->Keep = 1;
                return item.Graphic;
            }
    std::shared_ptr<TCachedImage> graphic = Load(name, firstArchive);
    if (mode == TCacheMode::Uncached)
        return graphic;
    graphic->Keep = mode == TCacheMode::Keep ? 1 : 0;
    graphic->UseCount = 1;
    FCache.push_back({name, graphic});
    return graphic;
}

TGraphicSource& GraphicSource() { return TheGraphicSource.Get(); }

bool HasGraphicSource() { return TheGraphicSource.Exists(); }

std::unique_ptr<TGraphicSource> ReplaceGraphicSource(std::unique_ptr<TGraphicSource> instance) {
    return TheGraphicSource.Replace(std::move(instance));
}

void CreateGraphicSource() { ReplaceGraphicSource(std::make_unique<TGraphicSource>(AppGlobals().ExePath())); }

void DestroyGraphicSource() { ReplaceGraphicSource(nullptr); }
