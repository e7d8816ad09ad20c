// SPDX-License-Identifier: MIT
// Definitions are parsed in time linear in their size, however their attributes are spread.
#include "engine/TemplateFile.h"
#include "engine/XmlText.h"
#include "platform/testing/TestEnv.h"

#include <gtest/gtest.h>
#include <tinyxml2.h>

using namespace engine;

namespace {

std::string Attributes(int count)
{
    std::string s;
    for (int i = 0; i < count; ++i) s += " a" + std::to_string(i) + "=\"1\"";
    return s;
}

std::string Definition(const std::string& paramAttributes)
{
    return "<effect><template name=\"t\"/><filter name=\"SimpleTemplate\"><filter name=\"EmbossFilter\"><param" +
           paramAttributes + "/></filter></filter></effect>";
}

}  // namespace

TEST(XmlText, AnElementWithTooManyAttributesIsRefusedBeforeParsing)
{
    // The review's file: one element with 80,000 attributes took half a minute to parse.
    std::string error;
    const std::string found = testenv::SourceDir() + "/engine/tests/data/hostile/xml_attrs_quadratic.tmpl";
    EXPECT_EQ(LoadDefinitionFile(found, &error), nullptr);
    EXPECT_NE(error.find("the element <param> has more than 64 attributes"), std::string::npos) << error;

    tinyxml2::XMLDocument doc;
    EXPECT_TRUE(ParseXml(doc, Definition(Attributes(kMaxXmlAttributes)), &error)) << error;
    EXPECT_EQ(doc.FirstChildElement("effect")->FirstChildElement("filter")->FirstChildElement("filter")->FirstChildElement("param")->Attribute("a63"),
              std::string("1"));
    EXPECT_FALSE(ParseXml(doc, Definition(Attributes(kMaxXmlAttributes + 1)), &error));
    EXPECT_EQ(error, "the element <param> has more than 64 attributes");
    EXPECT_FALSE(ParseXml(doc, "<effect><unclosed></effect>", &error));
    EXPECT_FALSE(error.empty());
}

TEST(XmlText, OnlyAttributesOfStartTagsCount)
{
    const std::string many = Attributes(100);
    // '=' in text, comments, CDATA, declarations, quoted values and end tags is no attribute.
    EXPECT_EQ(ElementWithTooManyAttributes("<a>" + many + "</a>"), "");
    EXPECT_EQ(ElementWithTooManyAttributes("<!--<b" + many + ">--><a/>"), "");
    EXPECT_EQ(ElementWithTooManyAttributes("<a><![CDATA[<b" + many + ">]]></a>"), "");
    EXPECT_EQ(ElementWithTooManyAttributes("<?xml version=\"1.0\"" + many + "?><a/>"), "");
    EXPECT_EQ(ElementWithTooManyAttributes("<a x=\"" + std::string(200, '=') + "\" y='=>=' />"), "");
    EXPECT_EQ(ElementWithTooManyAttributes("<a><b" + many + "/></a>"), "b");
    EXPECT_EQ(ElementWithTooManyAttributes("<a x='1'/><c\n" + many + ">"), "c");
    // Cut short anywhere: still an answer, never a read past the end.
    const std::string text = "<a><!-- x --><b" + Attributes(3) + "/><![CDATA[ y ]]></a>";
    for (size_t cut = 0; cut <= text.size(); ++cut) EXPECT_EQ(ElementWithTooManyAttributes(text.substr(0, cut)), "");
    EXPECT_EQ(ElementWithTooManyAttributes("<b" + many, 10), "b");
}
