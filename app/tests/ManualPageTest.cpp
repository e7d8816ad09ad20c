// SPDX-License-Identifier: MIT
// Manual pages are read by man(1), which takes a line starting with '.' or '\'' as a request
// and a bare '-' as a hyphen that may break: option names must come out whole and literal.
#include "app/ManualPage.h"

#include <gtest/gtest.h>

namespace {

TEST(ManualPage, RoffEscapesControlLinesBackslashesAndDashes)
{
    EXPECT_EQ(app::roff::Escape("--out -"), "\\-\\-out \\-");
    EXPECT_EQ(app::roff::Escape("a\\b"), "a\\eb");
    EXPECT_EQ(app::roff::Escape(".SH\n'x\nmid.dle"), "\\&.SH\n\\&'x\nmid.dle");
    EXPECT_EQ(app::roff::Paragraphs("one\ntwo\n\nthree\n"), ".PP\none\ntwo\n.PP\nthree\n");
}

TEST(ManualPage, OptionsBecomeTaggedParagraphsWithTheirValues)
{
    const app::OptionSpec options[] = {
        {"help", 'h', nullptr, app::ValueKind::None, "show\nhelp"},
        {"size", 0, "WxH", app::ValueKind::Text, "the size"},
    };
    EXPECT_EQ(app::roff::OptionItems(options),
              ".TP\n\\fB\\-h\\fR, \\fB\\-\\-help\\fR\nshow help\n"
              ".TP\n\\fB\\-\\-size\\fR \\fIWxH\\fR\nthe size\n");

    const app::ManualPage page{"tool", "does things", "[--size WxH]", "Para one.\n\nPara two.", options, ".SH FILES\n"};
    const std::string text = app::RenderManualPage(page, "1.2", "2026-01-02");
    EXPECT_EQ(text.rfind(".\\\"", 0), 0u) << "starts with a comment";
    EXPECT_NE(text.find(".TH TOOL 1 \"2026-01-02\" \"Grimaze 1.2\""), std::string::npos) << text;
    EXPECT_NE(text.find(".SH NAME\ntool \\- does things\n"), std::string::npos) << text;
    EXPECT_NE(text.find(".SH SYNOPSIS\n.B tool\n[\\-\\-size WxH]\n"), std::string::npos) << text;
    EXPECT_NE(text.find(".SH OPTIONS\n.TP\n"), std::string::npos) << text;
    EXPECT_EQ(text.substr(text.size() - 10), ".SH FILES\n");
}

}  // namespace
