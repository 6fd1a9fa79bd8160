#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>

#include "foundation/uc_error.h"
#include "foundation/xml_parser.h"
#include "support/temp_folder.h"

namespace {

const UCXMLNode* AsNode(const UCXMLComponent* component) {
    return dynamic_cast<const UCXMLNode*>(component);
}
const UCXMLTag* AsTag(const UCXMLComponent* component) {
    return dynamic_cast<const UCXMLTag*>(component);
}
const UCXMLBodyText* AsText(const UCXMLComponent* component) {
    return dynamic_cast<const UCXMLBodyText*>(component);
}

std::unique_ptr<UCXMLNode> ParseText(const std::string& text) {
    XMLTokeniser tokeniser(text);
    XMLParser parser(&tokeniser);
    return parser.ParseDocument();
}

// The single tag of a one-tag input, or null (with the error in the sink).
std::unique_ptr<UCXMLTag> ParseOneTag(const std::string& text) {
    XMLTokeniser tokeniser(text);
    XMLParser parser(&tokeniser);
    return parser.NextTag();
}

}  // namespace

TEST(XMLParser, BuildsATreeOfNodesTagsAndTexts) {
    auto document = ParseText(
        "<school>\n"
        "  <pupil id=\"1\">Ann &amp; Bob</pupil>\n"
        "  <br/>\n"
        "  <!-- a > b -->\n"
        "</school>\n");
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(document->GetTag(), nullptr);
    ASSERT_EQ(document->GetChildCount(), 1u);
    const UCXMLNode* school = AsNode(document->GetChild(0));
    ASSERT_NE(school, nullptr);
    EXPECT_EQ(school->GetTag()->GetName(), "school");
    ASSERT_EQ(school->GetChildCount(), 3u) << "blank text between tags makes no body text";

    const UCXMLNode* pupil = AsNode(school->GetChild(0));
    ASSERT_NE(pupil, nullptr);
    EXPECT_EQ(pupil->GetTag()->GetAttributeValue("ID"), "1");
    ASSERT_EQ(pupil->GetChildCount(), 1u);
    ASSERT_NE(AsText(pupil->GetChild(0)), nullptr);
    EXPECT_EQ(AsText(pupil->GetChild(0))->GetText(), "Ann &amp; Bob");

    const UCXMLTag* br = AsTag(school->GetChild(1));
    ASSERT_NE(br, nullptr);
    EXPECT_TRUE(br->IsSelfClosing());
    const UCXMLTag* comment = AsTag(school->GetChild(2));
    ASSERT_NE(comment, nullptr);
    EXPECT_TRUE(comment->IsMarkup());
    EXPECT_EQ(comment->GetName(), "!-- a > b --");
    EXPECT_STREQ(comment->GetClassName(), "UCXMLTag");
    EXPECT_STREQ(school->GetClassName(), "UCXMLNode");
    EXPECT_STREQ(pupil->GetChild(0)->GetClassName(), "UCXMLBodyText");
}

TEST(XMLParser, AcceptsEveryFormOfAttributeValue) {
    auto tag = ParseOneTag("<p a='single' B=\"double\" c=un/quoted=x d=\"two\r\nlines\" flag>");
    ASSERT_NE(tag, nullptr);
    ASSERT_EQ(tag->GetAttributeCount(), 5u);
    EXPECT_EQ(tag->GetAttributeValue("a"), "single");
    EXPECT_EQ(tag->GetAttributeValue("b"), "double");
    EXPECT_EQ(tag->GetAttributeValue("c"), "un/quoted=x");
    EXPECT_EQ(tag->GetAttributeValue("d"), "two lines");
    EXPECT_EQ(tag->GetAttributeValue("flag"), "");
    EXPECT_EQ(tag->GetAttributeValue("missing"), "");
    std::string name, value;
    EXPECT_TRUE(tag->GetAttribute(1, name, value));
    EXPECT_EQ(name, "B");
    EXPECT_FALSE(tag->GetAttribute(5, name, value));
}

TEST(XMLParser, BodyTextStopsAtAnOpeningAngle) {
    XMLTokeniser tokeniser(std::string("text<b>"));
    XMLParser parser(&tokeniser);
    auto text = parser.ParseComponent();
    ASSERT_NE(AsText(text.get()), nullptr);
    EXPECT_EQ(AsText(text.get())->GetText(), "text");
    auto tag = parser.ParseComponent();
    ASSERT_NE(AsTag(tag.get()), nullptr);
    EXPECT_EQ(AsTag(tag.get())->GetName(), "b");
    EXPECT_EQ(parser.ParseComponent(), nullptr);
}

TEST(XMLParser, AMissingClosingTagRunsToTheEndAndAStrayOneIsKept) {
    UCStringError sink;
    auto document = ParseText("<a><b>text</a></c>");
    ASSERT_NE(document, nullptr);
    ASSERT_EQ(document->GetChildCount(), 1u);
    const UCXMLNode* a = AsNode(document->GetChild(0));
    ASSERT_NE(a, nullptr);
    const UCXMLNode* b = AsNode(a->GetChild(0));
    ASSERT_NE(b, nullptr);
    ASSERT_EQ(b->GetChildCount(), 3u);
    EXPECT_TRUE(AsTag(b->GetChild(1))->IsClosing());
    EXPECT_EQ(AsTag(b->GetChild(1))->GetName(), "a");
    EXPECT_EQ(AsTag(b->GetChild(2))->GetName(), "c");
    EXPECT_EQ(sink.GetText(), "");
}

// The shape of a tree: a node as "name(children)", a tag as its name, a text in quotes.
std::string Shape(const UCXMLComponent* component) {
    if (const UCXMLNode* node = AsNode(component)) {
        std::string text = node->GetTag() != nullptr ? node->GetTag()->GetName() : "";
        text += "(";
        for (unsigned i = 0; i < node->GetChildCount(); ++i) {
            text += (i > 0 ? " " : "") + Shape(node->GetChild(i));
        }
        return text + ")";
    }
    if (const UCXMLTag* tag = AsTag(component)) {
        return (tag->IsClosing() ? "/" : "") + tag->GetName();
    }
    return "'" + AsText(component)->GetText() + "'";
}

// No closing tag ends a "<?...?>" node, so it holds everything after it, even the closing tag
// of the element it stands in.
TEST(XMLParser, ADeclarationOpensANodeThatHoldsTheRestOfTheDocument) {
    const struct {
        const char* xml;
        const char* shape;
    } cases[] = {
        {"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<a><b>x</b></a>",
         "(?xml version=\"1.0\" encoding=\"UTF-8\"?(a(b('x'))))"},
        {"<?xml version=\"1.0\"?><?xml-stylesheet href=\"s.xsl\"?><a/><c>y</c>",
         "(?xml version=\"1.0\"?(?xml-stylesheet href=\"s.xsl\"?(a c('y'))))"},
        {"<a><?page break?><b>x</b>z</a>", "(a(?page break?(b('x') 'z' /a)))"},
        {"<!DOCTYPE a><a><!-- note --></a>", "(!DOCTYPE a a(!-- note --))"},
    };
    for (const auto& c : cases) {
        UCStringError sink;
        auto document = ParseText(c.xml);
        ASSERT_NE(document, nullptr) << c.xml;
        EXPECT_EQ(Shape(document.get()), c.shape) << c.xml;
        EXPECT_EQ(sink.GetText(), "") << c.xml;
    }
}

TEST(XMLParser, ReportsWhatItExpectedWithTheLine) {
    const struct {
        const char* input;
        const char* message;
    } cases[] = {
        {"<a", "Expected tag data on line 1 but found 'end of file' instead"},
        {"<>", "Expected tag name on line 1 but found '>' instead"},
        {"</=", "Expected tag name on line 1 but found '=' instead"},
        {"<a b=>", "Expected attribute value on line 1 but found '>' instead"},
        {"<a b/>", "Expected equals sign on line 1 but found '/' instead"},
        {"<a/ b>", "Expected close angle bracket on line 1 but found 'b' instead"},
        {"<a\n\n<b>", "Expected tag data on line 3 but found '<' instead"},
        {"<a = b>", "Expected tag data on line 1 but found '=' instead"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input);
        UCStringError sink;
        EXPECT_EQ(ParseOneTag(c.input), nullptr);
        EXPECT_EQ(sink.GetText(), std::string("Error: ") + c.message + "\n");
    }
}

TEST(XMLParser, FindTagIgnoresCaseAndFindsClosingTagsToo) {
    XMLTokeniser tokeniser(std::string("<school><pupil n='1'>x</PUPIL><teacher/></school>"));
    XMLParser parser(&tokeniser);
    auto opening = parser.FindTag("Pupil");
    ASSERT_NE(opening, nullptr);
    EXPECT_FALSE(opening->IsClosing());
    EXPECT_EQ(opening->GetAttributeValue("n"), "1");
    auto closing = parser.FindTag("pupil");
    ASSERT_NE(closing, nullptr);
    EXPECT_TRUE(closing->IsClosing());
    EXPECT_EQ(parser.FindTag("pupil"), nullptr);
}

TEST(XMLParser, NestingPastTheLimitIsAnErrorNotACrash) {
    std::string deep;
    for (int i = 0; i < 100000; ++i) {
        deep += "<a>";
    }
    UCStringError sink;
    auto document = ParseText(deep);
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(sink.GetText(),
              "Error: XML error on line 1: elements are nested more than 256 deep\n");
    unsigned depth = 0;
    for (const UCXMLNode* node = document.get(); node->GetChildCount() > 0;
         node = AsNode(node->GetChild(0))) {
        ++depth;
    }
    EXPECT_EQ(depth, XMLParser::kMaxDepth);
}

TEST(XMLParser, NestingUpToTheLimitIsFine) {
    std::string text;
    for (unsigned i = 0; i < XMLParser::kMaxDepth; ++i) {
        text += "<a>";
    }
    for (unsigned i = 0; i < XMLParser::kMaxDepth; ++i) {
        text += "</a>";
    }
    UCStringError sink;
    ASSERT_NE(ParseText(text), nullptr);
    EXPECT_EQ(sink.GetText(), "");
}

TEST(XMLParser, WithoutATokeniserSaysSo) {
    UCStringError sink;
    XMLParser parser(nullptr);
    EXPECT_EQ(parser.ParseDocument(), nullptr);
    EXPECT_EQ(parser.ParseComponent(), nullptr);
    EXPECT_EQ(parser.GetLineNumber(), -1);
    EXPECT_EQ(sink.GetText(),
              "Error: Internal error: no XML tokeniser\nError: Internal error: no XML tokeniser\n");
}

TEST(XMLParser, ReadsAFileFromItsCurrentPosition) {
    TempFolder folder;
    StdioFile file(folder.Write("rows.xml", "skip\n<row id=\"7\"/>").c_str(), "r");
    std::string line;
    ASSERT_TRUE(file.ReadLine(line));
    XMLTokeniser tokeniser(&file);
    XMLParser parser(&tokeniser);
    auto tag = parser.NextTag();
    ASSERT_NE(tag, nullptr);
    EXPECT_EQ(tag->GetAttributeValue("id"), "7");
}

TEST(XMLTokeniser, ReturnsTheTokenKindsOfATag) {
    XMLTokeniser tokeniser(std::string("  <a x=1 ?q !m>text"));
    std::string text;
    const std::vector<std::pair<XMLTokenKind, std::string>> expected = {
        {XMLTokenOpenAngle, "<"},  {XMLTokenName, "a"},        {XMLTokenName, "x"},
        {XMLTokenEquals, "="},     {XMLTokenName, "1"},        {XMLTokenQuestion, "?q !m"},
        {XMLTokenCloseAngle, ">"}, {XMLTokenBodyText, "text"}, {XMLTokenEnd, ""},
    };
    for (const auto& [kind, value] : expected) {
        EXPECT_EQ(tokeniser.NextToken(text), kind);
        EXPECT_EQ(text, value);
    }
}
