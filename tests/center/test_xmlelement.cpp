#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <string_view>

#include "center/xmlelement.h"
#include "text/codec.h"

namespace {

constexpr size_t kEnd = static_cast<size_t>(-1); // stands for "the end of the text"
constexpr size_t kFail = static_cast<size_t>(-2);

std::string Escaped(const std::string& s) {
    std::string out;
    for (const char c : s) {
        if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out;
}

// name[attr=value,...]"value"{child child}: the whole tree in one comparable line.
std::string Dump(const XmlElement& e) {
    std::string out = e.name;
    if (!e.attributes.empty()) {
        out += '[';
        for (size_t i = 0; i < e.attributes.size(); ++i) {
            out += (i ? "," : "") + e.attributes[i].name + '=' + Escaped(e.attributes[i].value);
            EXPECT_EQ(e.attributes[i].parent, &e);
        }
        out += ']';
    }
    if (!e.value.empty())
        out += '"' + Escaped(e.value) + '"';
    if (!e.children.empty()) {
        out += '{';
        for (size_t i = 0; i < e.children.size(); ++i) {
            out += (i ? " " : "") + Dump(*e.children[i]);
            EXPECT_EQ(e.children[i]->parent, &e);
        }
        out += '}';
    }
    return out;
}

struct ParseCase {
    const char* name;
    std::string text;
    size_t result; // offset, kEnd or kFail
    std::string tree;
    int32_t error = 0;
    bool forceParse = false;
};

class ParseTable : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseTable, BuildsTreeAndReportsFirstError) {
    const ParseCase& c = GetParam();
    XmlParseOptions options;
    options.forceParse = c.forceParse;
    // An exact-size copy without a terminator: under AddressSanitizer any read past the end of
    // the text is caught here, not hidden by the string's own terminating zero.
    const auto exact = std::make_unique<char[]>(c.text.size());
    std::copy(c.text.begin(), c.text.end(), exact.get());
    XmlElement root;
    const std::optional<size_t> result =
        ParseElement(root, std::string_view(exact.get(), c.text.size()), options);
    if (c.result == kFail)
        EXPECT_FALSE(result.has_value());
    else
        EXPECT_EQ(result, c.result == kEnd ? c.text.size() : c.result);
    EXPECT_EQ(Dump(root), c.tree);
    EXPECT_EQ(options.errorCode, c.error);
    EXPECT_EQ(options.errorOccurred, c.error != 0);
    if (c.error != 0) {
        ASSERT_TRUE(options.errorPosition.has_value());
        EXPECT_LE(*options.errorPosition, c.text.size());
    }
}

const std::string kDeep64 = [] {
    std::string s;
    for (int i = 0; i < 64; ++i)
        s += "<e>";
    return s + "x";
}();

const std::string kDeep64Tree = [] {
    std::string s = "e\"x\"";
    for (int i = 1; i < 64; ++i)
        s = "e{" + s + "}";
    return s;
}();

INSTANTIATE_TEST_SUITE_P(
    Xml, ParseTable,
    ::testing::Values(
        ParseCase{"ResultAndMessage", "<DNC><Result>1000</Result><Message>ok</Message></DNC>", kEnd,
                  "DNC{Result\"1000\" Message\"ok\"}"},
        ParseCase{
            "DeclarationAndCommentsSkipped",
            "<?xml version=\"1.0\" encoding=\"euc-kr\"?>\n<!-- one -->\n<!--two--><root><a>1</a></root>",
            kEnd, "root{a\"1\"}"},
        ParseCase{"DeclarationUpperCase", "<?XML?><r/>", kEnd, "r"},
        ParseCase{"MismatchedEndTagKeepsEarlierChild", "<a><b/></c>", kFail, "a{b}",
                  kXmlErrorMismatchedEndTag},
        ParseCase{"MismatchedEndTagSkippedWhenForced", "<a><b/></c><d>1</d></a>", kEnd, "a{b d\"1\"}", 0,
                  true},
        ParseCase{"AttributesQuotedUnquoted", "<a b=1 c='x y' d=\"&quot;q&quot;\"/>", kEnd,
                  "a[b=1,c=x y,d=\"q\"]"},
        ParseCase{"BareAttributeHasEmptyValue", "<a b c=2></a>", kEnd, "a[b=,c=2]"},
        ParseCase{"UnquotedValueRunsOverSlash", "<a href=x/y >t</a>", kEnd, "a[href=x/y]\"t\""},
        ParseCase{"LessThanReferenceDecoded", "<a>x &lt; y</a>", kEnd, "a\"x < y\""},
        ParseCase{"DecodingIsOnePass", "<a>&amp;lt;</a>", kEnd, "a\"&lt;\""},
        ParseCase{"AmpersandWithoutSemicolonKept", "<a>&amp &lt;</a>", kEnd, "a\"&amp <\""},
        ParseCase{"BackslashEscapesLessThan", "<a>x\\<y</a>", kEnd, "a\"x<y\""},
        ParseCase{"BackslashPairIsOneBackslash", "<a>c:\\\\dir</a>", kEnd, "a\"c:\\dir\""},
        ParseCase{"CommentThenElement", "<a><!--note <x>--><b/></a>", kEnd, "a{#COMMENT\"note <x>\" b}"},
        ParseCase{"CDataKeptRaw", "<a><![CDATA[<x>&amp;]]></a>", kEnd, "a{#CDATA\"<x>&amp;\"}"},
        ParseCase{"MissingEndTagAtEnd", "<a>text", kEnd, "a\"text\""},
        ParseCase{"MissingEndTagAfterChildAndBlanks", "<a><b>1</b>\n", kEnd, "a\"\\n\"{b\"1\"}"},
        ParseCase{"BlanksBetweenTagsBecomeValue", "<a>\n<b>1</b>\n</a>", kEnd, "a\"\\n\"{b\"1\"}"},
        ParseCase{"TextAfterValueSkipped", "<a>x<b/>y<c/></a>", kEnd, "a\"x\"{b c}"},
        ParseCase{"EndTagWithBlank", "<a><b>1</b ></a>", kEnd, "a{b\"1\"}"},
        ParseCase{"TextBeforeRootSkipped", "junk <a/> tail", 9, "a"},
        ParseCase{"OnlyEndTag", "  </a>", 2, ""}, ParseCase{"NoTagAtAll", "plain text", kFail, ""},
        ParseCase{"EmptyText", "", kFail, ""},
        ParseCase{"SlashWithoutGreater", "<a/ >", kFail, "a", kXmlErrorUnclosedEmptyElement},
        ParseCase{"EndTagNeverClosed", "<a><b></b", kFail, "a{b}", kXmlErrorUnterminatedEndTag},
        ParseCase{"AttributeNameWithoutEnd", "<a b/>", kFail, "a", kXmlErrorBadAttribute},
        ParseCase{"UnterminatedQuotedValue", "<a b='1' c=\"2 >", kFail, "a[b=1,c=2 >]"},
        ParseCase{"TextEndsInsideStartTag", "<a b=1", kFail, "a[b=1]"},
        ParseCase{"TagNameNeverEnds", "<abc", kFail, ""},
        ParseCase{"UnterminatedComment", "<a><!-- no end <b/></a>", kFail, "a"},
        ParseCase{"UnterminatedCData", "<![CDATA[x", kFail, ""},
        // A processing instruction without its end must not let the parser read on.
        ParseCase{"UnterminatedDeclarationEndsParse", "<?xml version=\"1.0\" <root>1</root>", kFail, ""},
        ParseCase{"UnterminatedDeclarationInsideElement", "<a><b/><?pi <c/></a>", kFail, "a{b}"},
        ParseCase{"DeclarationInsideElementSkipped", "<a><?pi x?><b/></a>", kEnd, "a{b}"},
        // Escapes and references cut off by the end of the text stay inside it.
        ParseCase{"EscapeAtVeryEnd", "<a>x\\", kEnd, "a\"x\""},
        ParseCase{"EscapeAtEndOfQuotedValue", "<a b=\"x\\", kFail, "a[b=x]"},
        ParseCase{"EscapeAtEndOfComment", "<a><!--x\\", kFail, "a"},
        ParseCase{"ReferenceCutAtEnd", "<a>x&am", kEnd, "a\"x&am\""},
        ParseCase{"AmpersandAtEnd", "<a>&", kEnd, "a\"&\""}, ParseCase{"LessThanAtEnd", "<a><", kFail, "a"},
        ParseCase{"SixtyFourLevelsAccepted", kDeep64, kEnd, kDeep64Tree},
        ParseCase{"SixtyFifthLevelRefused", kDeep64 + "<f>", kFail, kDeep64Tree, kXmlErrorTooDeep},
        // CP949: a lead byte at the very end, and Korean text and names taken whole.
        ParseCase{"LeadByteAtEnd", "<a>\xB0", kEnd, "a\"\xB0\""},
        ParseCase{"KoreanNameAndText", "<\xC0\xFC><b>\xB0\xA1\\\xB0\xA1</b></\xC0\xFC>", kEnd,
                  "\xC0\xFC{b\"\xB0\xA1\xB0\xA1\"}"}),
    [](const ::testing::TestParamInfo<ParseCase>& info) { return std::string(info.param.name); });

TEST(XmlElement, OptOutRepliesReadAsTheProtocolReadsThem) {
    const std::string auth =
        zmsg::K("<?xml version=\"1.0\" encoding=\"euc-kr\"?>\r\n<AUTH>\r\n"
                "  <Result>1000</Result>\r\n  <Message>정상 처리되었습니다.</Message>\r\n"
                "  <SessionID>a1b2&amp;c3</SessionID>\r\n  <RNumber>080-123-4567</RNumber>\r\n"
                "</AUTH>\r\n");
    XmlElement root;
    ASSERT_TRUE(ParseElement(root, auth).has_value());
    EXPECT_EQ(root.name, "AUTH");
    ASSERT_NE(FindChild(root, "Result"), nullptr);
    EXPECT_EQ(InnerText(*FindChild(root, "Result")), "1000");
    EXPECT_EQ(InnerText(*FindChild(root, "Message")), zmsg::K("정상 처리되었습니다."));
    // Decoded in the tree, encoded again by the default text options.
    EXPECT_EQ(FindChild(root, "SessionID")->value, "a1b2&c3");
    EXPECT_EQ(InnerText(*FindChild(root, "SessionID")), "a1b2&amp;c3");
    EXPECT_EQ(InnerText(*FindChild(root, "SessionID"), XmlTextOptions{false}), "a1b2&c3");
    EXPECT_EQ(FindChild(root, "result"), nullptr); // names are case-sensitive

    const std::string list = zmsg::K("<DNC><Result>1000</Result><Message>성공</Message>"
                                     "<LIST><DATE>2024-05-01</DATE><TIME>93015</TIME><CN>0801234567</CN>"
                                     "<P>010-1234-5678</P></LIST>"
                                     "<!-- 다음 -->"
                                     "<LIST><DATE>2024-05-02</DATE><TIME>101</TIME><CN>0801234567</CN>"
                                     "<P>01098765432</P></LIST></DNC>");
    ASSERT_TRUE(ParseElement(root, list).has_value());
    EXPECT_EQ(root.name, "DNC");
    const std::vector<XmlElement*> rows = FindChildren(root, "LIST");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(InnerText(*FindChild(*rows[0], "DATE")), "2024-05-01");
    EXPECT_EQ(InnerText(*FindChild(*rows[0], "P")), "010-1234-5678");
    EXPECT_EQ(InnerText(*FindChild(*rows[1], "TIME")), "101");
    EXPECT_EQ(root.children.size(), 5u);         // the comment is kept between the rows
    EXPECT_EQ(FindChild(root, "DATE"), nullptr); // grandchildren are not searched
    EXPECT_TRUE(FindChildren(root, "NONE").empty());
    EXPECT_EQ(InnerText(*rows[1]), "2024-05-02101080123456701098765432");
}

TEST(XmlElement, HostileNestingIsRefusedWithoutExhaustingTheStack) {
    std::string text;
    for (int i = 0; i < 200000; ++i)
        text += "<d>";
    XmlElement root;
    XmlParseOptions options;
    EXPECT_FALSE(ParseElement(root, text, options).has_value());
    EXPECT_EQ(options.errorCode, kXmlErrorTooDeep);
    int depth = 0;
    for (const XmlElement* e = &root; e; e = e->children.empty() ? nullptr : e->children.front())
        ++depth;
    EXPECT_EQ(depth, kXmlMaxDepth);
}

} // namespace
