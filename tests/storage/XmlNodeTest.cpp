#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "storage/Cp932.h"
#include "storage/Exception.h"
#include "storage/Resources.h"
#include "storage/Text.h"
#include "storage/XmlNode.h"
#include "support/FileBytes.h"
#include "support/TestEnvironment.h"

namespace {

// The tree in one line: name[attr=value,...](children) for elements, 'text' for text nodes.
std::string Shape(const TXmlNode& node) {
    if (node.TagName().empty())
        return "'" + node.Text() + "'";
    std::string result = node.TagName();
    if (node.AttributeCount() > 0) {
        result += "[";
        for (int i = 0; i < node.AttributeCount(); ++i)
            result += (i ? "," : "") + node.AttributeName(i) + "=" + node.AttributeValue(i);
        result += "]";
    }
    result += "(";
    for (int i = 0; i < node.Count(); ++i)
        result += (i ? "," : "") + Shape(*node.Items(i));
    return result + ")";
}

std::string ShapeOf(const std::string& document) {
    TXmlNode root;
    root.LoadFromString(Cp932(document));
    return Shape(root);
}

// The message of the Exception that loading document raises; "" when it loads.
std::string LoadFailure(const std::string& document) {
    TXmlNode root;
    try {
        root.LoadFromString(Cp932(document));
    } catch (const Exception& error) {
        return error.Message();
    }
    return {};
}

const std::string CrLf = "\r\n";

// A holiday-like document: attributes with spaces and Japanese values, Japanese names whose
// trail byte is "\" or "|", text beside child elements.
std::string HolidayDocumentText() {
    return "<?xml version=\"\" encoding=\"shift_jis\" ?>\r\n<specialday>\r\n"
           "\t<holiday mean=\"" +
           std::string("年のはじめ を祝う") + "\">" + std::string("元日") +
           "<date month=\"1\" day= \"1\" start=\"1948\" /></holiday>\r\n"
           "\t<holiday mean=\"a &amp; b\">" +
           std::string("表ソ") +
           "<date month=\"1\" dayoftheweek=\"Monday\" times=\"2\" start=\"2000\"/></holiday>\r\n"
           "\t<" +
           std::string("ゼポ") + ">" + std::string("能") + "</" + std::string("ゼポ") +
           ">\r\n"
           "</specialday>\r\n";
}

std::string HolidayDocument() { return Cp932(HolidayDocumentText()); }

}  // namespace

TEST(XmlNodeParse, DocumentsGiveTheseTrees) {
    struct {
        std::string document;
        std::string shape;
    } const cases[] = {
        {"<a><b /></a>", "a(b())"},
        {"<a /><b />", "data(a(),b())"},      // two roots are wrapped in "data"
        {"<a><ab>x</ab></a>", "a(ab('x'))"},  // ab does not open another a
        {"<a><a>x</a></a>", "a(a('x'))"},
        {"<a><a/><a>y</a></a>", "a(a(),a('y'))"},  // self-closing same name is no opening
        {"<a><a><a>1</a><a/></a><a>2</a></a>", "a(a(a('1'),a()),a('2'))"},
        {"<a> x <b /> y </a>", "a('x',b(),'y')"},
        {"<a/>", "a()"},  // the "/" ends the tag, not the name
        {"<a x=\"1\"/>", "a[x=1]()"},
        {"<a\tx=\"p q\"\r\n y = \"2\">t</a>", "a[x=p q,y=2]('t')"},
        {"<A B=\"Mixed\"></A>", "a[b=Mixed]()"},  // names lower-cased, values kept raw
        {"<a m=\"&amp;\"></a>", "a[m=&amp;]()"},
        {"text only", "data('text only')"},
        {"", "data()"},
        {"<?xml version=\"1\" ?> junk <r>1</r> tail", "r('1')"},
        {"<?xml version=\"1\" ?>", "''"},                 // no element: an empty root
        {"<r><x>1</x> 2 > 3 </r>", "r(x('1'),'2 > 3')"},  // ">" in the last text is harmless
        {"<" + std::string("表") + "><" + std::string("ソ") + " />" + std::string("ポ") + "</" + std::string("表") +
             ">",
         std::string("表") + "(" + std::string("ソ") + "(),'" + std::string("ポ") + "')"},
    };
    for (const auto& test : cases)
        EXPECT_EQ(ShapeOf(Cp932(test.document)), test.shape) << test.document;
}

TEST(XmlNodeParse, MalformedDocumentsRaiseTheirMessages) {
    const std::string notParsed = std::string("解析できません");
    const std::string noEnd = std::string("終了タグがありません") + CrLf;
    const std::string badAttribute = std::string("属性指定が不正です") + CrLf;
    struct {
        std::string document;
        std::string message;
    } const cases[] = {
        {"a > <b/>", notParsed + "a > <b/>"},
        {"<a", notParsed + "<a"},
        {"<r><x>1</x> 2 > 3 <y/></r>", notParsed + " 2 > 3 <y/>"},
        {"<?other ?><r/>", noEnd + "<?other ?>"},
        {"<a/></data><b/>", notParsed + "<a/></data><b/>"},  // a stray end of the "data" wrapper
        {"<a>x", noEnd + "<a>"},
        {"<a><b></a>", noEnd + "<b>"},
        {"<a><a></a>", noEnd + "<a>"},
        {"<a><!-- c --></a>", noEnd + "<!-- c -->"},
        {"<a><a/b>x</a></a>", noEnd + "<a/b>"},  // counts as an "a" outside, is "a/b" itself
        {"<a></A>", noEnd + "<a>"},              // closing tags compare exactly
        {"<?xml version=\"\" ?><r><x></r>", noEnd + "<x>"},
        {"<a x></a>", badAttribute + "x"},
        {"<a x='1'></a>", badAttribute + "x='1'"},
        {"<a x=1 />", badAttribute + "x=1"},
        {"<a y=\"2\" x=\"></a>", badAttribute + "y=\"2\" x=\""},  // a lone quote is no value
        {"<?xml version=1 ?><r/>", badAttribute + "version=1"},
        // A damaged file may hold anything: a message shows only a short escaped excerpt.
        {std::string("\x01\xFF>\r\n<b/>"), notParsed + "\\x01\\xFF>.."},
        {"<a " + std::string(100, 'y') + ">", noEnd + "<a " + std::string(37, 'y') + ".."},
        {"<a x=" + std::string(50, 'y') + "/>", badAttribute + "x=" + std::string(38, 'y') + ".."},
    };
    for (const auto& test : cases)
        EXPECT_EQ(LoadFailure(Cp932(test.document)), test.message) << test.document;
}

TEST(XmlNodeParse, NestingIsLimitedToMaxDepth) {
    auto nested = [](int depth) {
        std::string text;
        for (int i = 0; i < depth; ++i)
            text += "<e>";
        for (int i = 0; i < depth; ++i)
            text += "</e>";
        return text;
    };
    // The root is level 0, so MaxDepth + 1 nested elements still load.
    EXPECT_EQ(LoadFailure(nested(TXmlNode::MaxDepth + 1)), "");
    EXPECT_EQ(LoadFailure(nested(TXmlNode::MaxDepth + 2)), std::string("階層が深すぎます") + CrLf + "<e>");
    EXPECT_EQ(LoadFailure(std::string(200000, '<') + ">"),
              std::string("終了タグがありません") + CrLf + std::string(40, '<') + "..");
}

TEST(XmlNodeParse, AFileThatFailsIsNamedInTheMessage) {
    TTemporaryFolder folder;
    const std::string path = folder.Slash() + "colors.clr";
    std::ofstream(path, std::ios::binary) << "<colors><a>" + std::string(5000, '\xFE') + "</colors>";
    TXmlNode root;
    try {
        root.LoadFromFile(path);
        ADD_FAILURE() << "a damaged document loaded";
    } catch (const Exception& error) {
        EXPECT_EQ(error.Message(), std::string("終了タグがありません") + CrLf + "<a>" + CrLf + path);
    }
}

TEST(XmlNodeParse, EveryTruncationFailsWithAMessageOrLoads) {
    const std::string messages[] = {std::string("解析できません"), std::string("終了タグがありません"),
                                    std::string("属性指定が不正です")};
    const std::string document = HolidayDocument();
    const std::string utf16 = "\xFF\xFE" + EncodeUtf16Le(HolidayDocumentText());
    for (const std::string* full : {&document, &utf16}) {
        int loaded = 0;
        for (std::size_t length = 0; length <= full->size(); ++length) {
            std::string failure = LoadFailure(full->substr(0, length));
            bool known = failure.empty();
            for (const std::string& message : messages)
                known = known || failure.rfind(message, 0) == 0;
            EXPECT_TRUE(known) << length << ": " << failure;
            loaded += failure.empty();
        }
        EXPECT_GT(loaded, 0);
    }
}

TEST(XmlNodeParse, LargeDocumentsKeepEveryElement) {
    std::string document = "<r>";
    for (int i = 0; i < 40000; ++i)
        document += "<item n=\"" + std::to_string(i) + "\">" + std::string("表") + "</item>";
    document += "</r>";
    TXmlNode root;
    root.LoadFromString(Cp932(document));
    ASSERT_EQ(root.Count(), 40000);
    EXPECT_EQ(root.Items(39999)->GetAttribute("n"), "39999");
    EXPECT_EQ(root.Items(12345)->GetText(), std::string("表"));
}

TEST(XmlNodeAttributes, GetAttributeDecodesAndLowerCases) {
    TXmlNode root;
    root.LoadFromString(
        Cp932("<d Day=\"Monday\" mean=\"A &amp; B\" t=\"&lt;x&gt;\" j=\"" + std::string("ソ") + "X\" />"));
    struct {
        std::string name;
        std::string value;
    } const cases[] = {
        {"day", "monday"}, {"DAY", "monday"}, {"mean", "a & b"}, {"t", "<x>"}, {"j", std::string("ソ") + "x"},
        {"missing", ""},
    };
    for (const auto& test : cases)
        EXPECT_EQ(root.GetAttribute(test.name), test.value) << test.name;
    root.SetLowerCaseValues(false);
    EXPECT_EQ(root.GetAttribute("day"), "Monday");
    EXPECT_EQ(root.GetXml(),
              "<d day=\"Monday\" mean=\"A &amp; B\" t=\"&lt;x&gt;\" j=\"" + std::string("ソ") + "X\" />\r\n");
}

TEST(XmlNodePaths, StepsAreFoundOrCreated) {
    TXmlNode root;
    root.LoadFromString(Cp932("<r><表><ソ>1</ソ></表><b><c>2</c></b></r>"));
    struct {
        std::string path;
        std::string value;
    } const cases[] = {
        {std::string("表") + "\\" + std::string("ソ"), "1"},
        {std::string("表") + "/" + std::string("ソ"), "1"},
        {"B\\C", "2"},
        {"\\b\\c", "2"},
        {"b\\\\c", "2"},  // an empty step names nothing
        {"b\\c\\", "2"},
        {"", "12"},
    };
    for (const auto& test : cases)
        EXPECT_EQ(root.GetValue(test.path), test.value) << test.path;
    // An absolute path from a grandchild goes back to the root.
    TXmlNode* grandchild = root.NodeByPath("b\\c");
    EXPECT_EQ(grandchild->NodeByPath("/" + std::string("表") + "/" + std::string("ソ")),
              root.NodeByPath(std::string("表") + "\\" + std::string("ソ")));
    EXPECT_EQ(grandchild->Level(), 2);

    // Reading a missing value creates empty elements, written on the next save.
    EXPECT_EQ(root.GetValue("new\\" + std::string("ゼ")), "");
    EXPECT_EQ(Shape(*root.Items(root.IndexOfTag("NEW"))), "new(" + std::string("ゼ") + "())");
}

TEST(XmlNodePaths, WithoutAutoCreateAMissingStepIsAnError) {
    TXmlNode root;
    root.LoadFromString("<r><a /></r>");
    root.SetAutoCreate(false);
    root.Items(0)->SetAutoCreate(false);
    for (const std::string& step : {std::string("b"), std::string("表")}) {
        try {
            root.NodeByPath("A\\" + step);
            ADD_FAILURE() << step;
        } catch (const Exception& error) {
            EXPECT_EQ(error.Message(), std::string("キー[") + step + std::string("]が見つかりません"));
        }
    }
    EXPECT_EQ(Shape(root), "r(a())");
}

TEST(XmlNodeText, EntitiesAreEncodedOnceAndDecodedOnce) {
    TXmlNode root;
    root.SetValue("v", "a<b&c");
    root.SetValue("blank", "   ");
    root.SetValue(std::string("表"), std::string("ソ") + "\\|");
    EXPECT_EQ(root.GetXml(), "<data>\r\n\t<v>a&lt;b&amp;c</v>\r\n\t<blank />\r\n\t<" + std::string("表") + ">" +
                                 std::string("ソ") + "\\|</" + std::string("表") + ">\r\n</data>\r\n");
    EXPECT_EQ(root.GetValue("v"), "a<b&c");
    EXPECT_EQ(root.GetValue(std::string("表")), std::string("ソ") + "\\|");

    TXmlNode read;
    read.LoadFromString("<r><x>&amp;lt;</x><y> a <z>&quot;b&quot;</z> c </y></r>");
    EXPECT_EQ(read.GetValue("x"), "&lt;");
    EXPECT_EQ(read.GetValue("y"), "a\"b\"c");
    EXPECT_TRUE(read.NodeByPath("y")->HasChildElements());
    EXPECT_FALSE(read.NodeByPath("x")->HasChildElements());
}

TEST(XmlNodeText, KeepSpacesKeepsTextAndWritesOneLine) {
    TXmlNode root;
    root.SetKeepSpaces(true);
    root.LoadFromString("<r> <a> x </a> </r>");
    EXPECT_EQ(Shape(root), "r(' ',a(' x '),' ')");
    EXPECT_EQ(root.GetValue("a"), " x ");
    EXPECT_EQ(root.GetXml(), "<r> <a> x </a> </r>");
}

TEST(XmlNodeWrite, TheEmbeddedColorSchemeIsReproducedByteForByte) {
    const std::string original = LoadResourceText("colors");
    TXmlNode root;
    root.LoadFromString(original);
    EXPECT_EQ(root.TagName(), "colors");
    EXPECT_EQ(root.GetValue(std::string("日めくり") + "\\" + std::string("文字") + "\\" + std::string("日曜")),
              "$4040FF");
    std::ostringstream out;
    root.SaveToStream(out);
    EXPECT_EQ(out.str(), original);

    TTemporaryFolder folder;
    const std::string file = folder.Slash() + "colors.clr";
    root.SetValue(std::string("全般") + "\\" + std::string("背景"), "$000000");
    root.SaveToFile(file);
    TXmlNode again;
    again.LoadFromFile(file);
    EXPECT_EQ(again.GetValue(std::string("全般") + "/" + std::string("背景")), "$000000");
    EXPECT_EQ(again.GetXml(), root.GetXml());
    EXPECT_THROW(again.LoadFromFile(folder.Slash() + "missing.clr"), EFileError);
}

TEST(XmlNodeWrite, EachEncodingRoundTrips) {
    const std::string body = "<r a=\"" + std::string("表") + "\">\r\n\t<" + std::string("ソ") + ">" +
                             std::string("ポ") + "\\|&amp;</" + std::string("ソ") + ">\r\n\t<e />\r\n</r>\r\n";
    struct {
        std::string encoding;
        std::string bytes;  // the file as it is written
    } const cases[] = {
        {"shift_jis", Cp932("<?xml version=\"1.0\" encoding=\"shift_jis\" ?>\r\n" + body)},
        {"utf-8", std::string("<?xml version=\"1.0\" encoding=\"utf-8\" ?>\r\n" + body)},
        {"utf-8n", std::string("<?xml version=\"1.0\" encoding=\"utf-8n\" ?>\r\n" + body)},
        {"utf-16", "\xFF\xFE" + EncodeUtf16Le("<?xml version=\"1.0\" encoding=\"utf-16\" ?>\r\n" + body)},
    };
    for (const auto& test : cases) {
        TXmlNode root;
        root.LoadFromString(test.bytes);
        EXPECT_EQ(root.Encoding(), test.encoding);
        EXPECT_EQ(root.Version(), "1.0");
        EXPECT_EQ(root.GetValue(std::string("ソ")), std::string("ポ") + "\\|&") << test.encoding;
        EXPECT_EQ(root.GetAttribute("A"), std::string("表")) << test.encoding;
        std::ostringstream out;
        root.SaveToStream(out);
        EXPECT_EQ(out.str(), test.bytes) << test.encoding;
    }
}

TEST(XmlNodeWrite, DeclarationSurvivesClearAndDocumentsWithoutOne) {
    TXmlNode root;
    root.LoadFromString("<?xml version=\"2\" encoding=\"UTF-8\" ?><r/>");
    EXPECT_EQ(root.Encoding(), "utf-8");
    root.Clear();
    root.LoadFromString(Cp932("<s>" + std::string("表") + "</s>"));
    std::ostringstream out;
    root.SaveToStream(out);
    EXPECT_EQ(out.str(),
              std::string("<?xml version=\"2\" encoding=\"utf-8\" ?>\r\n<s>" + std::string("表") + "</s>\r\n"));

    TXmlNode fresh;
    fresh.SetValue("a\\b", "x");
    std::ostringstream freshOut;
    fresh.SaveToStream(freshOut);
    EXPECT_EQ(
        freshOut.str(),
        "<?xml version=\"\" encoding=\"shift_jis\" ?>\r\n<data>\r\n\t<a>\r\n\t\t<b>x</b>\r\n\t</a>\r\n</data>\r\n");
}

TEST(XmlNodeWrite, WrittenDocumentsLoadBackUnchanged) {
    const std::string utf16DeclaringUtf8 =
        "\xFF\xFE" + EncodeUtf16Le("<?xml version=\"\" encoding=\"utf-8\" ?><r>" + std::string("ソ") + "</r>");
    const std::string cases[] = {
        // A damaged double-byte character (lead byte, then a space) keeps both bytes, so
        // the lead byte cannot swallow the "<" of the closing tag once written.
        "<r><x>a\x81 </x><y/></r>",
        "<r a=\"\x81 \" \x81 b=\"1\"/>",
        "damaged\x81 ",
        "<a/ ><b/></a/>",  // a name that ends in "/" must not be written as "<a/>"
        "<?xml version=\"a&quot;?&gt;&amp;\" encoding=\"utf-8\" ?><r>" + std::string("表") + "</r>",
        utf16DeclaringUtf8,
        HolidayDocument(),
    };
    for (const std::string& document : cases) {
        TXmlNode root;
        root.LoadFromString(document);
        std::ostringstream out;
        root.SaveToStream(out);
        TXmlNode again;
        again.LoadFromString(out.str());
        EXPECT_EQ(again.GetXml(), root.GetXml()) << document;
        EXPECT_EQ(again.Version(), root.Version()) << document;
        EXPECT_EQ(again.Encoding(), root.Encoding()) << document;
    }
    TXmlNode utf16;
    utf16.LoadFromString(utf16DeclaringUtf8);
    EXPECT_EQ(utf16.GetText(), std::string("ソ"));  // converted once, not again as UTF-8
}

TEST(XmlNodeWrite, AFailingStreamIsReported) {
    TXmlNode root;
    std::ostringstream broken;
    broken.setstate(std::ios::badbit);
    EXPECT_THROW(root.SaveToStream(broken), EFileError);
    std::istringstream in("<r><x>1</x></r>");
    root.LoadFromStream(in);
    EXPECT_EQ(root.GetValue("x"), "1");
}
