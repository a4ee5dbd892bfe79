// Loads any bytes as a document, reads it, writes it and loads the written document again.
// Malformed input may only raise Exception; a crash, a hang or a sanitizer report is a
// finding, and so is a written document that does not load back into the same tree.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "storage/Exception.h"
#include "storage/Text.h"
#include "storage/TextUtils.h"
#include "storage/XmlNode.h"

namespace {

// An element without a name ("< x>...</>") is kept as a text node holding its raw markup;
// written out, that markup is read again by the enclosing elements' tag balancing, so
// such a tree is not expected to come back the same.
bool HoldsRawMarkup(const TXmlNode& node) {
    const std::string& text = node.Text();
    for (std::size_t i = 0; i < text.size(); i = NextCharAt(text, i))
        if (text[i] == '<')
            return true;
    for (int i = 0; i < node.Count(); ++i)
        if (HoldsRawMarkup(*node.Items(i)))
            return true;
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TXmlNode root;
    try {
        root.LoadFromString(std::string(reinterpret_cast<const char*>(data), size));
    } catch (const Exception&) {
        return 0;
    }
    root.GetText();
    for (int i = 0; i < root.Count(); ++i)
        root.Items(i)->GetAttribute("mean");
    std::ostringstream out;
    root.SaveToStream(out);
    // The declaration is read before its encoding is known, so only plain ASCII values in
    // it survive a change of encoding.
    for (char c : root.Version() + root.Encoding())
        if (static_cast<unsigned char>(c) >= 0x80)
            return 0;
    if (HoldsRawMarkup(root))
        return 0;
    // A character the written encoding lacks goes as a character reference, which the
    // tree holds as written: the same text.
    TXmlNode again;
    again.LoadFromString(out.str());
    if (DecodeCharacterReferences(again.GetXml()) != DecodeCharacterReferences(root.GetXml()))
        std::abort();
    return 0;
}
