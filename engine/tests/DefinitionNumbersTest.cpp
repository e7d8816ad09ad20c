// SPDX-License-Identifier: MIT
// Numbers from template definitions: what keeps the default, what is read, what refuses.
#include "engine/DefinitionNumbers.h"

#include <gtest/gtest.h>
#include <tinyxml2.h>

using namespace engine;

namespace {

const tinyxml2::XMLElement* Element(tinyxml2::XMLDocument& doc, const char* xml)
{
    EXPECT_EQ(doc.Parse(xml), tinyxml2::XML_SUCCESS) << xml;
    return doc.RootElement();
}

}  // namespace

TEST(DefinitionNumbers, MissingOrMalformedKeepsTheDefault)
{
    tinyxml2::XMLDocument doc;
    for (const char* xml : {"<filter/>", "<filter scale=\"\"/>", "<filter scale=\"big\"/>"}) {
        const tinyxml2::XMLElement* e = Element(doc, xml);
        double d = 1.5;
        int i = 7;
        std::string error = "untouched";
        EXPECT_TRUE(ReadCheckedNumber(e, "scale", 0, 10, d, &error)) << xml;
        EXPECT_TRUE(ReadCheckedInt(e, "scale", 0, 10, i, &error)) << xml;
        EXPECT_EQ(d, 1.5) << xml;
        EXPECT_EQ(i, 7) << xml;
        EXPECT_EQ(error, "untouched") << xml;
    }
    double d = 2;
    EXPECT_TRUE(ReadCheckedNumber(nullptr, "scale", 0, 10, d, nullptr));
    EXPECT_EQ(d, 2);
}

TEST(DefinitionNumbers, NumbersInRangeAreReadAndIntegersAsTheXmlLibraryReadsThem)
{
    tinyxml2::XMLDocument doc;
    const tinyxml2::XMLElement* e = Element(doc, "<filter scale=\"2.5\" low=\"0\" high=\"10\"/>");
    double d = 0;
    int i = 0;
    EXPECT_TRUE(ReadCheckedNumber(e, "scale", 0, 10, d, nullptr));
    EXPECT_EQ(d, 2.5);
    EXPECT_TRUE(ReadCheckedInt(e, "scale", 0, 10, i, nullptr));
    EXPECT_EQ(i, 2);
    // The ends of the range belong to it.
    EXPECT_TRUE(ReadCheckedNumber(e, "low", 0, 10, d, nullptr));
    EXPECT_EQ(d, 0);
    EXPECT_TRUE(ReadCheckedInt(e, "high", 0, 10, i, nullptr));
    EXPECT_EQ(i, 10);
}

TEST(DefinitionNumbers, OutOfRangeOrNotFiniteRefusesNamingTheAttributeAndKeepsTheValue)
{
    tinyxml2::XMLDocument doc;
    for (const char* value : {"-0.5", "10.5", "1e30", "nan", "inf", "-inf"}) {
        const std::string xml = std::string("<filter scale=\"") + value + "\"/>";
        const tinyxml2::XMLElement* e = Element(doc, xml.c_str());
        double d = 1.5;
        int i = 7;
        std::string error;
        EXPECT_FALSE(ReadCheckedNumber(e, "scale", 0, 10, d, &error)) << value;
        EXPECT_EQ(d, 1.5) << value;
        EXPECT_EQ(error, std::string("<filter> scale=\"") + value + "\" is out of range (0 to 10)");
        error.clear();
        EXPECT_FALSE(ReadCheckedInt(e, "scale", 0, 10, i, &error)) << value;
        EXPECT_EQ(i, 7) << value;
        EXPECT_NE(error.find("scale"), std::string::npos) << value;
        EXPECT_FALSE(ReadCheckedInt(e, "scale", 0, 10, i, nullptr)) << value;
    }
}
