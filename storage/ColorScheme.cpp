#include "storage/ColorScheme.h"
#include "storage/ProcessWide.h"

#include <cstdio>
#include <cstdlib>

#include "storage/AppGlobals.h"
#include "storage/FileUtils.h"
#include "storage/Resources.h"
#include "storage/TextUtils.h"

namespace {

TProcessWide<TColorScheme> TheColorScheme("ColorScheme");

}  // namespace

TColorScheme::TColorScheme() : TColorScheme(AppGlobals().DataPath() + "colors.clr") {}

TColorScheme::TColorScheme(std::string fileName) : FFileName(std::move(fileName)) {}

void TColorScheme::Load() { LoadFrom(FFileName); }

void TColorScheme::LoadFrom(const std::string& fileName) {
    if (FileExists(fileName))
        LoadFromFile(fileName);
    else
        LoadDefaults();
}

void TColorScheme::LoadDefaults() {
    std::string document = LoadResourceText("colors");
    Clear();
    LoadFromString(document);
}

uint32_t TColorScheme::GetColor(const std::string& path, uint32_t defaultColor) {
    std::string text = GetValue(path);
    if (text.empty())
        return defaultColor;
    int32_t value;
    return TryParseInt(text, value) ? static_cast<uint32_t>(value) : 0;
}

void TColorScheme::SetColor(const std::string& path, uint32_t color) { SetValue(path, "$" + FormatHex(color, 6)); }

void TColorScheme::Save() { SaveToFile(FFileName); }

void TColorScheme::SaveTo(const std::string& fileName) { SaveToFile(fileName); }

TColorScheme& ColorScheme() { return TheColorScheme.Get(); }

bool HasColorScheme() { return TheColorScheme.Exists(); }

std::unique_ptr<TColorScheme> ReplaceColorScheme(std::unique_ptr<TColorScheme> instance) {
    return TheColorScheme.Replace(std::move(instance));
}

void CreateColorScheme() { ReplaceColorScheme(std::make_unique<TColorScheme>()); }

void DestroyColorScheme() { ReplaceColorScheme(nullptr); }
