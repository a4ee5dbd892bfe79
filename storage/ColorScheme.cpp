#include "storage/ColorScheme.h"
#include "storage/ProcessWide.h"

#include <cstdio>
#include <cstdlib>

#include "storage/AppGlobals.h"
#include "storage/FileUtils.h"
#include "storage/Resources.h"
#include "storage/TextUtils.h"

namespace {

TProcessWide<TColorsList> TheColorScheme("ColorScheme");

} // namespace

TColorsList::TColorsList() : TColorsList(AppGlobals().DataPath() + "colors.clr") {}

TColorsList::TColorsList(std::string fileName) : FFileName(std::move(fileName)) {}

void TColorsList::Load() { LoadFrom(FFileName); }

void TColorsList::LoadFrom(const std::string& fileName) {
    if (FileExists(fileName))
        LoadFromFile(fileName);
    else
        LoadDefaults();
}

void TColorsList::LoadDefaults() {
    std::string document = LoadResourceText("colors");
    Clear();
    LoadFromString(document);
}

uint32_t TColorsList::GetColor(const std::string& path, uint32_t defaultColor) {
    std::string text = GetValue(path);
    if (text.empty())
        return defaultColor;
    int32_t value;
    return TryStrToInt(text, value) ? static_cast<uint32_t>(value) : 0;
}

void TColorsList::SetColor(const std::string& path, uint32_t colour) { SetValue(path, "$" + IntToHex(colour, 6)); }

void TColorsList::Save() { SaveToFile(FFileName); }

void TColorsList::SaveTo(const std::string& fileName) { SaveToFile(fileName); }

TColorsList& ColorScheme() { return TheColorScheme.Get(); }

bool HasColorScheme() { return TheColorScheme.Exists(); }

std::unique_ptr<TColorsList> ReplaceColorScheme(std::unique_ptr<TColorsList> instance) {
    return TheColorScheme.Replace(std::move(instance));
}

void CreateColorScheme() { ReplaceColorScheme(std::make_unique<TColorsList>()); }

void DestroyColorScheme() { ReplaceColorScheme(nullptr); }
