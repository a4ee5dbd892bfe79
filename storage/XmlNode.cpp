#include "storage/XmlNode.h"

#include <cassert>
#include <cstring>
#include <istream>
#include <iterator>
#include <ostream>
#include <sstream>
#include <unordered_map>

#include "storage/Cp932.h"
#include "storage/Exception.h"
#include "storage/FileUtils.h"
#include "storage/Text.h"
#include "storage/TextUtils.h"

namespace {

constexpr std::size_t npos = std::string_view::npos;

// The parser works on the document's text as UTF-8, where no byte of a multi-byte
// character is ever ASCII: a search for a delimiter never lands inside a character.

// The first ASCII character c at or after from.
std::size_t FindChar(std::string_view text, char c, std::size_t from) {
    assert(static_cast<unsigned char>(c) < 0x80);
    return text.find(c, from);
}

// The first occurrence of a two-character ASCII pattern.
std::size_t FindPair(std::string_view text, std::string_view pair, std::size_t from) { return text.find(pair, from); }

bool IsWhiteSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

bool IsPathSeparator(char c) { return c == '\\' || c == '/'; }

// The first ">" after a "<", and whether the character before it is "/". Tag candidates
// come in increasing order, so the last answer is kept and reused while it still lies
// ahead: each byte is searched at most once per element.
class TTagEndFinder {
public:
    explicit TTagEndFinder(std::string_view text) : FText(text) {}
    // Returns npos when no ">" follows.
    std::size_t After(std::size_t lessThan, bool& selfClosing) {
        if (!FSearched || (FEnd != npos && FEnd <= lessThan)) {
            FSearched = true;
            FEnd = FindChar(FText, '>', lessThan + 1);
            FSelfClosing = FEnd != npos && FEnd - 1 > lessThan && FText[FEnd - 1] == '/';
        }
        selfClosing = FSelfClosing;
        return FEnd;
    }

private:
    std::string_view FText;
    bool FSearched = false;
    std::size_t FEnd = npos;
    bool FSelfClosing = false;
};

// "<" + name at i, followed by white space, "/" or ">".
bool IsOpeningOf(std::string_view text, std::size_t i, std::string_view name) {
    std::size_t after = i + 1 + name.size();
    return after < text.size() && text.compare(i + 1, name.size(), name) == 0 &&
           (IsWhiteSpace(text[after]) || text[after] == '/' || text[after] == '>');
}

// The opening tag of an element text, for messages.
std::string OpeningTagOf(std::string_view elementText) {
    std::size_t end = FindChar(elementText, '>', 0);
    return std::string(elementText.substr(0, end == npos ? elementText.size() : end + 1));
}

bool EndsWithChar(std::string_view text, char c) { return !text.empty() && text.back() == c; }

std::string TrimUnless(bool keepSpaces, std::string_view text) { return keepSpaces ? std::string(text) : Trim(text); }

TXmlNode::TTagPosition ShiftedToStart(TXmlNode::TTagPosition tag) {
    std::size_t offset = tag.Start;
    tag.Start = 0;
    tag.OpenEnd -= offset;
    tag.End -= offset;
    tag.ContentStart -= offset;
    return tag;
}

}  // namespace

TXmlNode::TXmlNode(TXmlNode* parent) : FParent(parent), FLevel(parent ? parent->FLevel + 1 : 0) {
    if (parent) {
        FAutoCreate = parent->FAutoCreate;
        FIgnoreCase = parent->FIgnoreCase;
        FLowerCaseValues = parent->FLowerCaseValues;
        FKeepSpaces = parent->FKeepSpaces;
    } else {
        FTagName = "data";
    }
}

TXmlNode::~TXmlNode() = default;

void TXmlNode::Clear() {
    FItems.clear();
    FAttributeNames.clear();
    FAttributeValues.clear();
    FTagName.clear();
    FText.clear();
}

int TXmlNode::Count() const { return static_cast<int>(FItems.size()); }

TXmlNode* TXmlNode::Items(int index) const {
    assert(index >= 0 && index < Count());
    if (index < 0 || index >= Count())
        return nullptr;
    return FItems[index].get();
}

const std::string& TXmlNode::AttributeName(int index) const { return FAttributeNames.at(index); }

const std::string& TXmlNode::AttributeValue(int index) const { return FAttributeValues.at(index); }

TXmlNode* TXmlNode::AddChild() {
    FItems.push_back(std::make_unique<TXmlNode>(this));
    return FItems.back().get();
}

void TXmlNode::AddTextChild(std::string text) { AddChild()->FText = std::move(text); }

void TXmlNode::CheckDepthFor(std::string_view elementText) const {
    if (FLevel >= MaxDepth)
        throw Exception(std::string("階層が深すぎます") + "\r\n" + MessageExcerpt(OpeningTagOf(elementText)));
}

int TXmlNode::Add(const std::string& xmlText) {
    CheckDepthFor(xmlText);
    TXmlNode* child = AddChild();
    if (!xmlText.empty())
        child->ParseElement(xmlText);
    return Count() - 1;
}

int TXmlNode::IndexOfTag(const std::string& name) const {
    const std::string key = FIgnoreCase ? AsciiLowerCase(name) : name;
    for (std::size_t i = 0; i < FItems.size(); ++i)
        if (FItems[i]->FTagName == key)
            return static_cast<int>(i);
    return -1;
}

bool TXmlNode::HasChildElements() const {
    for (const auto& item : FItems)
        if (!item->FTagName.empty())
            return true;
    return false;
}

// The balancing closing tag of inner elements, learnt while an outer element of the same
// name was balanced: an element is then not searched again when its own turn comes, so a
// document nested deep in one name parses in linear time. Keys and values point into the
// text being parsed.
struct TXmlNode::TTagMemo {
    std::unordered_map<const char*, const char*> ClosingOf;
};

TXmlNode::TTagPosition TXmlNode::FindTag(std::string_view text) { return FindTagIn(text, nullptr); }

TXmlNode::TTagPosition TXmlNode::FindTagIn(std::string_view text, TTagMemo* memo) {
    TTagPosition tag;
    std::size_t p = FindChar(text, '<', 0);
    if (p == npos)
        return tag;
    std::size_t g = FindChar(text, '>', 0);
    if (g == npos || g < p)
        throw Exception("解析できません" + MessageExcerpt(text));
    tag.Found = true;
    tag.Start = p;
    tag.OpenEnd = g;

    // The name ends at the first white space of the tag; in a tag without white space a
    // "/" right before ">" closes the element and is not part of the name.
    std::size_t nameEnd = npos;
    std::size_t lastChar = p;
    for (std::size_t i = p + 1; i < g; i = NextCharAt(text, i)) {
        if (nameEnd == npos && IsWhiteSpace(text[i]))
            nameEnd = i;
        lastChar = i;
    }
    bool selfClosing = lastChar > p && text[lastChar] == '/';
    if (nameEnd == npos)
        nameEnd = selfClosing ? lastChar : g;
    tag.Name = std::string(text.substr(p + 1, nameEnd - p - 1));
    tag.ContentStart = g + 1;
    if (selfClosing) {
        tag.End = g;
        return tag;
    }

    const std::string closing = "</" + tag.Name + ">";
    if (memo) {
        auto known = memo->ClosingOf.find(text.data() + p);
        if (known != memo->ClosingOf.end() && known->second + closing.size() <= text.data() + text.size()) {
            std::size_t closingAt = static_cast<std::size_t>(known->second - text.data());
            tag.ContentLength = closingAt - tag.ContentStart;
            tag.End = closingAt + closing.size() - 1;
            return tag;
        }
    }

    // Balance openings of the same name against closing tags, one "<" after another. The
    // open inner elements are stacked (npos for one whose own search could differ) so that
    // their closing tags can be remembered.
    TTagEndFinder tagEnds(text);
    std::vector<std::size_t> openInner;
    std::size_t i = p + 1;
    for (;;) {
        i = FindChar(text, '<', i);
        if (i == npos)
            throw Exception(std::string("終了タグがありません") + "\r\n" + MessageExcerpt(text.substr(p, g - p + 1)));
        if (text.compare(i, closing.size(), closing) == 0) {
            // '</name>'
            if (openInner.empty()) {
                tag.ContentLength = i - tag.ContentStart;
                tag.End = i + closing.size() - 1;
                return tag;
            }
            if (memo && openInner.back() != npos)
                memo->ClosingOf[text.data() + openInner.back()] = text.data() + i;
            openInner.pop_back();
        } else if (IsOpeningOf(text, i, tag.Name)) {
            // '<name ' '<name/' '<name>'
            bool innerSelfClosing = false;
            std::size_t innerEnd = tagEnds.After(i, innerSelfClosing);
            if (innerEnd == npos)
                throw Exception(std::string("終了タグがありません") + "\r\n" +
                                MessageExcerpt(text.substr(p, g - p + 1)));
            if (!innerSelfClosing) {
                // Its own search starts inside its tag: the same only when the tag holds
                // no "<" and its name is exactly this one (not "name/more").
                bool sameSearch = text[i + 1 + tag.Name.size()] != '/' &&
                                  std::memchr(text.data() + i + 1, '<', innerEnd - i - 1) == nullptr;
                openInner.push_back(sameSearch ? i : npos);
                i = innerEnd + 1;
                continue;
            }
        }
        ++i;  // "<" is a single-byte character
    }
}

void TXmlNode::ParseElement(std::string_view text) {
    Clear();
    TTagMemo memo;
    ParseFoundElement(text, FindTagIn(text, &memo), &memo);
}

void TXmlNode::ParseFoundElement(std::string_view text, const TTagPosition& tag, TTagMemo* memo) {
    Clear();
    if (tag.Found && tag.Start == 0 && tag.End + 1 == text.size() && !tag.Name.empty()) {
        FTagName = FIgnoreCase ? AsciiLowerCase(tag.Name) : tag.Name;
        // The attribute text follows the name and one separator character.
        std::size_t attributesStart = tag.Start + 1 + tag.Name.size() + 1;
        if (attributesStart < tag.OpenEnd)
            ParseAttributes(text.substr(attributesStart, tag.OpenEnd - attributesStart));
        ParseContentIn(text.substr(tag.ContentStart, tag.ContentLength), memo);
        return;
    }
    FText = TrimUnless(FKeepSpaces, text);
}

void TXmlNode::ParseContent(std::string_view content) {
    TTagMemo memo;
    ParseContentIn(content, &memo);
}

void TXmlNode::ParseContentIn(std::string_view content, TTagMemo* memo) {
    FItems.clear();
    FText.clear();
    std::size_t position = 0;
    while (position < content.size()) {
        std::string_view rest = content.substr(position);
        TTagPosition tag = FindTagIn(rest, memo);
        if (!tag.Found)
            break;
        if (tag.Start > 0) {
            // 'text<': the text before the element is a child of its own.
            std::string piece = TrimUnless(FKeepSpaces, rest.substr(0, tag.Start));
            if (!piece.empty())
                AddTextChild(std::move(piece));
            position += tag.Start;
            rest = content.substr(position);
            tag = ShiftedToStart(std::move(tag));
        }
        // '<': the element runs to its last ">".
        std::string_view element = rest.substr(0, tag.End + 1);
        CheckDepthFor(element);
        AddChild()->ParseFoundElement(element, tag, memo);
        position += tag.End + 1;
    }
    std::string last = TrimUnless(FKeepSpaces, content.substr(position));
    if (!last.empty())
        AddTextChild(std::move(last));
}

void TXmlNode::ParseAttributes(std::string_view attributeText) {
    std::string text = Trim(attributeText);
    if (EndsWithChar(text, '/'))
        text.pop_back();
    FAttributeNames.clear();
    FAttributeValues.clear();
    text = Trim(text);
    if (text.empty())
        return;

    // Tokens end at white space only after both quotes of a value, so a quoted value may
    // hold spaces and "name = "value"" stays one token.
    std::vector<std::string> tokens;
    std::string token;
    int quotes = 0;
    for (std::size_t i = 0; i < text.size();) {
        std::size_t next = NextCharAt(text, i);
        char c = text[i];
        if (IsWhiteSpace(c) && quotes == 2) {
            tokens.push_back(std::move(token));
            token.clear();
            quotes = 0;
        } else {
            if (c == '"')
                ++quotes;
            token.append(text, i, next - i);
        }
        i = next;
    }
    tokens.push_back(std::move(token));

    const std::string failure = std::string("属性指定が不正です") + "\r\n" + MessageExcerpt(text);
    for (const std::string& item : tokens) {
        if (Trim(item).empty())
            continue;
        std::size_t equals = FindChar(item, '=', 0);
        if (equals == npos)
            throw Exception(failure);
        std::string name = Trim(std::string_view(item).substr(0, equals));
        std::string value = Trim(std::string_view(item).substr(equals + 1));
        if (value.size() < 2 || value.front() != '"' || !EndsWithChar(value, '"'))
            throw Exception(failure);
        FAttributeNames.push_back(FIgnoreCase ? AsciiLowerCase(name) : name);
        FAttributeValues.push_back(value.substr(1, value.size() - 2));
    }
}

std::string TXmlNode::GetAttribute(const std::string& name) const {
    for (std::size_t i = 0; i < FAttributeNames.size(); ++i)
        if (AsciiSameText(FAttributeNames[i], name))
            return XmlDecode(FLowerCaseValues ? AsciiLowerCase(FAttributeValues[i]) : FAttributeValues[i]);
    return {};
}

TXmlNode* TXmlNode::NodeByPath(const std::string& path) {
    const std::string steps = FIgnoreCase ? AsciiLowerCase(path) : path;
    TXmlNode* node = this;
    if (!steps.empty() && IsPathSeparator(steps[0]))
        while (node->FParent)
            node = node->FParent;
    std::size_t position = 0;
    while (position < steps.size()) {
        if (IsPathSeparator(steps[position])) {
            ++position;  // an empty step names nothing
            continue;
        }
        std::size_t end = position;
        while (end < steps.size() && !IsPathSeparator(steps[end]))
            end = NextCharAt(steps, end);
        const std::string step = steps.substr(position, end - position);
        int index = node->IndexOfTag(step);
        if (index < 0) {
            if (!node->FAutoCreate)
                throw Exception("キー[" + step + "]が見つかりません");
            index = node->Add("<" + step + " />");
        }
        node = node->Items(index);
        position = end;
    }
    return node;
}

std::string TXmlNode::GetValue(const std::string& path) { return NodeByPath(path)->GetText(); }

void TXmlNode::SetValue(const std::string& path, const std::string& text) { NodeByPath(path)->SetText(text); }

void TXmlNode::AppendRawText(std::string& out) const {
    out += FText;
    for (const auto& item : FItems)
        item->AppendRawText(out);
}

std::string TXmlNode::GetText() const {
    std::string raw;
    AppendRawText(raw);
    return XmlDecode(raw);
}

void TXmlNode::SetText(const std::string& text) {
    FItems.clear();
    ParseContent(XmlEncode(text));
}

std::string TXmlNode::FormatLine(std::string_view line) const {
    if (FKeepSpaces)
        return std::string(line);
    std::string result(static_cast<std::size_t>(FLevel), '\t');
    result.append(line);
    result.append("\r\n");
    return result;
}

std::string TXmlNode::AttributesXml() const {
    std::string result;
    for (std::size_t i = 0; i < FAttributeNames.size(); ++i) {
        const std::string& value = FAttributeValues[i];
        result += ' ' + FAttributeNames[i] + "=\"" + (FLowerCaseValues ? AsciiLowerCase(value) : value) + '"';
    }
    return result;
}

void TXmlNode::AppendXml(std::string& out) const {
    if (FTagName.empty()) {
        // A lone text child sits inside its parent's line.
        out += FParent && FParent->FItems.size() == 1 ? FText : FormatLine(FText);
        return;
    }
    const std::string attributes = AttributesXml();
    if (FItems.empty()) {
        out += FormatLine("<" + FTagName + attributes + " />");
        return;
    }
    // A name read from "<a/ ...>" ends in "/"; written as "<a/>" it would close itself.
    const std::string opening =
        "<" + FTagName + attributes + (attributes.empty() && EndsWithChar(FTagName, '/') ? " >" : ">");
    if (FItems.size() == 1 && FItems[0]->FTagName.empty()) {
        out += FormatLine(opening + FItems[0]->FText + "</" + FTagName + ">");
    } else {
        out += FormatLine(opening);
        for (const auto& item : FItems)
            item->AppendXml(out);
        out += FormatLine("</" + FTagName + ">");
    }
}

std::string TXmlNode::GetXml() const {
    std::string out;
    AppendXml(out);
    return out;
}

void TXmlNode::LoadFromString(const std::string& documentText) {
    // The document's bytes become UTF-8 text once, here: FF FE is UTF-16 LE whatever the
    // declaration says, a declaration of "utf-8"/"utf-8n" is UTF-8, anything else code page
    // 932. The declaration itself is ASCII, and "<", "?" and ">" are never the second byte
    // of a code page 932 character, so it is found in the bytes as they are.
    const std::string_view bytes = documentText;
    std::string text;
    const bool utf16 = bytes.size() > 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
                       static_cast<unsigned char>(bytes[1]) == 0xFE;
    std::size_t declarationStart = npos;
    std::size_t declarationEnd = npos;
    bool declared = false;
    auto findDeclaration = [&](std::string_view in) {
        declarationStart = FindPair(in, "<?", 0);
        declarationEnd = FindPair(in, "?>", 0);
        declared = false;
        if (declarationStart != npos && declarationEnd != npos && declarationStart < declarationEnd) {
            std::size_t nameStart = declarationStart + 2;
            std::size_t space = FindChar(in, ' ', nameStart);
            declared = in.substr(nameStart, space == npos ? npos : space - nameStart) == "xml";
        }
    };
    if (utf16) {
        text = DecodeUtf16Le(bytes.substr(2));
        findDeclaration(text);
    } else {
        findDeclaration(bytes);
        if (!declared)
            text = DecodeCp932(bytes);
    }

    TTagMemo memo;
    if (!declared) {
        TTagPosition tag = FindTagIn(text, &memo);
        if (tag.Found && tag.Start == 0 && tag.End + 1 == text.size()) {
            ParseFoundElement(text, tag, &memo);
            return;
        }
        // Several elements and text pieces become the children of "data". A stray
        // "</data>" in the text would end that element early and leave the root a piece of
        // raw markup that cannot be written back, so it is refused.
        const std::string wrapped = "<data>" + text + "</data>";
        TTagPosition wrapper = FindTagIn(wrapped, &memo);
        if (wrapper.End + 1 != wrapped.size())
            throw Exception("解析できません" + MessageExcerpt(text));
        ParseFoundElement(wrapped, wrapper, &memo);
        return;
    }

    // '<?xml ... ?>': "<?xml " is six characters, and "?>" cannot start inside them.
    const std::string_view source = utf16 ? std::string_view(text) : bytes;
    std::size_t attributesStart = declarationStart + 6;
    ParseAttributes(DecodeCp932(source.substr(attributesStart, declarationEnd - attributesStart)));
    FEncoding = AsciiLowerCase(GetAttribute("encoding"));
    FVersion = GetAttribute("version");
    Clear();
    std::string_view rest = source.substr(declarationEnd + 2);
    std::string decoded;
    if (!utf16) {
        decoded = FEncoding == "utf-8" || FEncoding == "utf-8n" ? ValidUtf8(rest) : DecodeCp932(rest);
        rest = decoded;
    }
    TTagPosition tag = FindTagIn(rest, &memo);
    if (tag.Found)
        ParseFoundElement(rest.substr(tag.Start, tag.End - tag.Start + 1), ShiftedToStart(std::move(tag)), &memo);
}

void TXmlNode::LoadFromStream(std::istream& in) {
    Clear();
    std::string bytes;
    char buffer[65536];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        bytes.append(buffer, static_cast<std::size_t>(in.gcount()));
        if (bytes.size() > MaxDocumentBytes)
            throw EFileError("文書が大きすぎます");
    }
    LoadFromString(bytes);
}

void TXmlNode::LoadFromFile(const std::string& fileName) {
    Clear();
    const std::string bytes = ReadFileBytes(fileName, MaxDocumentBytes);
    try {
        LoadFromString(bytes);
    } catch (const Exception& error) {
        throw Exception(error.Message() + "\r\n" + fileName);
    }
}

std::string TXmlNode::DeclarationLine() const {
    // The values are read decoded, so they are written encoded: a quote or "?>" in them
    // would otherwise end the declaration early.
    return "<?xml version=\"" + XmlEncode(FVersion) + "\" encoding=\"" + XmlEncode(FEncoding) + "\" ?>";
}

void TXmlNode::SaveToStream(std::ostream& out) {
    if (FEncoding.empty())
        FEncoding = "shift_jis";
    std::string text = DeclarationLine() + "\r\n" + GetXml();
    // A character that code page 932 lacks goes as a character reference, which the
    // reader turns back into the character.
    if (AsciiSameText(FEncoding, "utf-16"))
        text = "\xFF\xFE" + EncodeUtf16Le(text);
    else if (!AsciiSameText(FEncoding, "utf-8") && !AsciiSameText(FEncoding, "utf-8n"))
        text = EncodeCp932(text, XmlCharacterReference);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    if (!out)
        throw EFileError("文書を書き込めません");
}

void TXmlNode::SaveToFile(const std::string& fileName) {
    std::ostringstream out;
    SaveToStream(out);
    WriteFileAtomic(fileName, out.str());
}
