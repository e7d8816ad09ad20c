// Definitions are parsed in time linear in their size, however their attributes are spread.
#include "engine/TemplateFile.h"
#include "platform/testing/TestEnv.h"

#include <gtest/gtest.h>
#include <tinyxml2.h>

namespace {

}  // namespace

TEST(XmlText, AnElementWithTooManyAttributesIsRefusedBeforeParsing)
{
    // The review's file: one element with 80,000 attributes took half a minute to parse.
    std::string error;
    const std::string found = testenv::SourceDir() + "/engine/tests/data/hostile/xml_attrs_quadratic.tmpl";
    EXPECT_EQ(LoadDefinitionFile(found, &error), nullptr);
    EXPECT_NE(error.find("the element <param> has more than 64 attributes"), std::string::npos) << error;

}
