#include "storage/Resources.h"

#include <sstream>

#include "storage/EmbeddedResources.h"
#include "storage/Exception.h"
#include "storage/Text.h"

namespace {

// "folder/holidays.txt" → "holidays".
std::string ResourceNameOf(std::string_view fileName) {
    size_t slash = fileName.find_last_of("/\\");
    if (slash != std::string_view::npos)
        fileName.remove_prefix(slash + 1);
    size_t dot = fileName.rfind('.');
    if (dot != std::string_view::npos && dot > 0)
        fileName = fileName.substr(0, dot);
    return AsciiLowerCase(fileName);
}

}  // namespace

bool FindResourceBytes(std::string_view name, std::string_view& bytes) {
    std::string wanted = AsciiLowerCase(name);
    for (int i = 0; i < EmbeddedResourceCount; ++i) {
        const TEmbeddedResource& resource = EmbeddedResources[i];
        if (wanted == resource.Name) {
            bytes = std::string_view(reinterpret_cast<const char*>(resource.Bytes), resource.Size);
            return true;
        }
    }
    bytes = {};
    return false;
}

std::string LoadResourceText(std::string_view fileName) {
    std::string name = ResourceNameOf(fileName);
    std::string_view bytes;
    if (!FindResourceBytes(name, bytes))
        throw EResourceNotFound("リソース " + name + " が見つかりません");
    return std::string(bytes);
}

std::unique_ptr<std::istream> OpenResource(std::string_view name) {
    std::string_view bytes;
    if (!FindResourceBytes(name, bytes))
        return nullptr;
    return std::make_unique<std::istringstream>(std::string(bytes), std::ios::binary);
}
