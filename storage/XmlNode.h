#pragma once
// TXmlNode: a node of the calendar's own small XML dialect, in which the holiday definition
// document and the colour scheme are read and written. A node is an element (name,
// attributes, children) or a piece of text; values are reached by paths of element names
// such as "全般\背景". Not understood: comments, CDATA, processing instructions other than the
// declaration, single-quoted attributes. Nothing is validated.
//
// All strings are UTF-8; documents are read and written in their declared encoding. Failures throw Exception with these messages:
//   "解析できません" + the text being searched         a ">" is missing or comes before the next "<"
//   "終了タグがありません" CR LF + the opening tag       an element's closing tag is missing
//   "属性指定が不正です" CR LF + the attribute text      an attribute without "=" or double quotes
//   "キー[" + step + "]が見つかりません"                a path step is missing and AutoCreate is off
//   "階層が深すぎます" CR LF + the opening tag          an element lies deeper than MaxDepth
// The document's text in a message is its MessageExcerpt (at most one short line, bytes
// that are no printable text escaped), since a damaged file may hold anything; a load from
// a file adds CR LF and the file's name.
// A failed load leaves the tree as far as it was built.

#include <cstddef>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TXmlNode {
public:
    // Deepest level an element may have (the root is level 0). Deeper documents are
    // refused, so that parsing, writing and destroying a tree never recurse without bound,
    // and balancing closing tags (once per level of differently named ancestors) stays
    // fast: a hostile 1 MB document parses in about 0.3 s, an ordinary one in 0.06 s.
    static constexpr int MaxDepth = 64;
    // LoadFromStream reads at most this many bytes.
    static constexpr std::size_t MaxDocumentBytes = 64u << 20;

    // Where FindTag found the first element of a text; 0-based byte offsets.
    struct TTagPosition {
        bool Found = false;       // false: the text has no "<"
        std::size_t Start = 0;    // the "<" of the opening tag
        std::size_t OpenEnd = 0;  // the ">" of the opening tag
        std::size_t End = 0;      // the last ">" of the element
        std::size_t ContentStart = 0;
        std::size_t ContentLength = 0;  // 0 for a self-closing element
        std::string Name;               // as written, not lower-cased
    };

    // A root (no parent) is named "data" with AutoCreate, IgnoreCase and LowerCaseValues
    // on and KeepSpaces off; a child copies the four switches of its parent.
    explicit TXmlNode(TXmlNode* parent = nullptr);
    virtual ~TXmlNode();
    TXmlNode(const TXmlNode&) = delete;
    TXmlNode& operator=(const TXmlNode&) = delete;

    // Destroys the children and drops the attributes; empties TagName and Text. Version
    // and Encoding stay.
    void Clear();
    int Count() const;
    // The child at index (0-based, document order); null when out of range.
    TXmlNode* Items(int index) const;
    // Appends a child; a non-empty text is parsed into it as one element. Returns its index.
    int Add(const std::string& xmlText);
    // Index of the first child named name (lower-cased first under IgnoreCase); -1 if none.
    int IndexOfTag(const std::string& name) const;
    // The node a path of element names names, steps separated by "\" or "/"; a leading
    // separator starts at the root, empty steps are skipped, an empty path is this node.
    // A missing step is created under AutoCreate, otherwise "キー[...]が見つかりません".
    TXmlNode* NodeByPath(const std::string& path);
    std::string GetValue(const std::string& path);
    void SetValue(const std::string& path, const std::string& text);
    // The text of this node and all its descendants, entity references decoded once.
    std::string GetText() const;
    // Replaces the children by the text (encoded; trimmed unless KeepSpaces).
    void SetText(const std::string& text);
    // The attribute's value (name compared without case), lower-cased under
    // LowerCaseValues and decoded; empty when absent.
    std::string GetAttribute(const std::string& name) const;
    bool HasChildElements() const;

    // Parses a whole document (its bytes as stored) into this node: UTF-16 LE after FF FE,
    // else a declaration with its version and encoding ("utf-8"/"utf-8n" read as UTF-8,
    // any other as code page 932), and the root element; a text without declaration is
    // code page 932 and, when it is not one element, becomes the children of "data".
    void LoadFromString(const std::string& documentText);
    void LoadFromStream(std::istream& in);
    // Throws EFileError when the file cannot be read; a parse failure's message names the
    // file on a line of its own after the message of LoadFromString.
    void LoadFromFile(const std::string& fileName);
    // Writes the declaration and the tree in Encoding ("shift_jis" when empty):
    // "utf-8"/"utf-8n" as UTF-8 without mark, "utf-16" as FF FE + UTF-16 LE, any other as
    // code page 932 with a character reference ("&#x1F382;") for each character it lacks.
    void SaveToStream(std::ostream& out);
    // Replaces the file atomically; throws EFileError when it cannot be written.
    void SaveToFile(const std::string& fileName);
    // This node and its subtree, indented by Level unless KeepSpaces.
    std::string GetXml() const;

    TXmlNode* Parent() const { return FParent; }
    const std::string& TagName() const { return FTagName; }
    const std::string& Text() const { return FText; }
    int Level() const { return FLevel; }
    const std::string& Version() const { return FVersion; }
    const std::string& Encoding() const { return FEncoding; }
    // Raw attributes in document order (values still entity-encoded, without quotes).
    int AttributeCount() const { return static_cast<int>(FAttributeNames.size()); }
    const std::string& AttributeName(int index) const;
    const std::string& AttributeValue(int index) const;

    bool AutoCreate() const { return FAutoCreate; }
    void SetAutoCreate(bool value) { FAutoCreate = value; }
    bool IgnoreCase() const { return FIgnoreCase; }
    void SetIgnoreCase(bool value) { FIgnoreCase = value; }
    bool LowerCaseValues() const { return FLowerCaseValues; }
    void SetLowerCaseValues(bool value) { FLowerCaseValues = value; }
    bool KeepSpaces() const { return FKeepSpaces; }
    void SetKeepSpaces(bool value) { FKeepSpaces = value; }

    // The first element of text and its balancing closing tag. Throws "解析できません"
    // or "終了タグがありません". Linear in the length of the element found.
    static TTagPosition FindTag(std::string_view text);
    // Parses text into this node: one element spanning the whole text, else a text node.
    void ParseElement(std::string_view text);
    // Replaces the children by the elements and text pieces of content.
    void ParseContent(std::string_view content);
    // Fills the attribute lists from the attribute text of an opening tag or declaration.
    void ParseAttributes(std::string_view attributeText);
    // Level TABs + line + CR LF; the line alone under KeepSpaces.
    std::string FormatLine(std::string_view line) const;

private:
    struct TTagMemo;
    static TTagPosition FindTagIn(std::string_view text, TTagMemo* memo);
    void ParseFoundElement(std::string_view text, const TTagPosition& tag, TTagMemo* memo);
    void ParseContentIn(std::string_view content, TTagMemo* memo);
    void CheckDepthFor(std::string_view elementText) const;
    TXmlNode* AddChild();
    void AddTextChild(std::string text);
    void AppendXml(std::string& out) const;
    void AppendRawText(std::string& out) const;
    std::string AttributesXml() const;
    std::string DeclarationLine() const;

    TXmlNode* FParent;
    std::vector<std::unique_ptr<TXmlNode>> FItems;
    std::string FTagName;
    std::string FText;
    std::vector<std::string> FAttributeNames;
    std::vector<std::string> FAttributeValues;
    int FLevel;
    std::string FVersion;
    std::string FEncoding;
    bool FAutoCreate = true;
    bool FIgnoreCase = true;
    bool FLowerCaseValues = true;
    bool FKeepSpaces = false;
};
