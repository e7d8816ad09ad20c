// SPDX-License-Identifier: MIT
// The option tables: parsing by the table, help made from it, JSON text and batch names.
#include "batch/BatchRun.h"
#include "cli/Args.h"
#include "cli/Json.h"
#include "cli/Options.h"

#include <gtest/gtest.h>

#include <set>

using namespace batch;
using namespace cli;

namespace {

const OptionSpec kTable[] = {
    {"template", 't', "T", ValueKind::Template, "a template"},
    {"photo", 0, "FILE", ValueKind::File, "a photo"},
    {"align", 0, nullptr, ValueKind::None, "line up"},
};

Args Parse(std::vector<std::string> words) { return Args(words, kTable); }

}  // namespace

TEST(Args, ReadsLongShortJoinedAndRepeatedOptions)
{
    const Args a = Parse({"--template", "Oil Paint", "--photo=a.jpg", "-qv", "--photo", "-", "-t", "Rain", "--align", "x"});
    ASSERT_TRUE(a.Ok()) << a.Error();
    EXPECT_EQ(a.Value("template"), "Rain");  // the last one wins
    EXPECT_EQ(a.Values("photo"), (std::vector<std::string>{"a.jpg", "-"}));
    EXPECT_TRUE(a.Has("quiet") && a.Has("verbose") && a.Has("align"));
    EXPECT_FALSE(a.Has("help"));
    EXPECT_EQ(a.Positional(), std::vector<std::string>{"x"});

    // A value may start with a dash; "-" alone is an operand; after "--" nothing is an option.
    const Args b = Parse({"--photo", "-v", "-", "--", "--align", "-q"});
    ASSERT_TRUE(b.Ok()) << b.Error();
    EXPECT_EQ(b.Value("photo"), "-v");
    EXPECT_FALSE(b.Has("align") || b.Has("quiet") || b.Has("verbose"));
    EXPECT_EQ(b.Positional(), (std::vector<std::string>{"-", "--align", "-q"}));
}

TEST(Args, EveryWrongWordIsNamed)
{
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--bogus"}, "unknown option --bogus"},
        {{"-x"}, "unknown option -x"},
        {{"-qx"}, "unknown option -x"},
        {{"--align=yes"}, "--align takes no value"},
        {{"--photo"}, "--photo needs a value"},
        {{"-t"}, "-t needs a value"},
        {{"-tq", "Rain"}, "-t needs a value and must come last in -tq"},
        {{"--templat", "x"}, "unknown option --templat"},  // no guessing at abbreviations
    };
    for (const auto& [words, error] : cases) {
        const Args a = Parse(words);
        EXPECT_FALSE(a.Ok()) << words[0];
        EXPECT_EQ(a.Error(), error);
    }
}

// Every command's help lists each option of its table exactly once, and the list of commands
// names each command once.
TEST(Options, HelpComesFromTheTables)
{
    std::set<std::string> names;
    for (const CliCommand* c : CliCommands()) {
        EXPECT_TRUE(names.insert(c->name).second) << c->name << " is listed twice";
        const std::string help = CommandHelp(*c);
        EXPECT_EQ(help.rfind(std::string("usage: grimaze-cli ") + c->name, 0), 0u) << help;
        std::set<std::string> options;
        for (const OptionSpec& o : c->options) {
            EXPECT_TRUE(options.insert(o.name).second) << c->name << " --" << o.name << " twice";
            EXPECT_NE(help.find(std::string("--") + o.name), std::string::npos) << c->name << " --" << o.name;
            for (const OptionSpec& common : CommonOptions()) EXPECT_STRNE(o.name, common.name) << c->name;
        }
        for (const char* common : {"-h, --help", "-q, --quiet", "-v, --verbose"})
            EXPECT_NE(help.find(common), std::string::npos) << c->name;
        EXPECT_EQ(FindCommand(c->name), c);
    }
    EXPECT_EQ(names.size(), 12u);
    EXPECT_EQ(FindCommand("nonsense"), nullptr);
    const std::string all = ProgramHelp();
    EXPECT_EQ(all.find("  gif"), all.rfind("  gif"));
}

TEST(JsonString, IsValidUtf8WhateverTheBytes)
{
    EXPECT_EQ(JsonString("plain"), "\"plain\"");
    EXPECT_EQ(JsonString("a\"b\\c\nd\te\x01"), "\"a\\\"b\\\\c\\nd\\te\\u0001\"");
    EXPECT_EQ(JsonString("Caf\xC3\xA9 \xE5\x9B\xBE \xF0\x9F\x93\xB7"), "\"Caf\xC3\xA9 \xE5\x9B\xBE \xF0\x9F\x93\xB7\"");
    // Latin-1 bytes, a cut sequence, an overlong form, an encoded surrogate, a byte past U+10FFFF.
    EXPECT_EQ(JsonString("caf\xE9.jpg"), "\"caf\\udce9.jpg\"");
    EXPECT_EQ(JsonString("\xE5\x9B"), "\"\\udce5\\udc9b\"");
    EXPECT_EQ(JsonString("\xC0\xAF"), "\"\\udcc0\\udcaf\"");
    EXPECT_EQ(JsonString("\xED\xA0\x80"), "\"\\udced\\udca0\\udc80\"");
    EXPECT_EQ(JsonString("\xF5\x80\x80\x80"), "\"\\udcf5\\udc80\\udc80\\udc80\"");
}

TEST(BatchNames, PatternsNameEveryResultInsideTheFolder)
{
    std::string why = "untouched";
    EXPECT_TRUE(CheckBatchNamePattern("%b-%t-%n.%e", &why));
    EXPECT_TRUE(CheckBatchNamePattern("100%%-%b.%e", &why));
    EXPECT_EQ(why, "untouched") << "a reason is given only on failure";
    for (const char* bad : {"", "sub/%b.%e", "%b.%"}) {
        why.clear();
        EXPECT_FALSE(CheckBatchNamePattern(bad, &why)) << bad;
        EXPECT_FALSE(why.empty()) << bad;
    }
    EXPECT_FALSE(CheckBatchNamePattern("%b.%x", &why));
    EXPECT_NE(why.find("%x"), std::string::npos);
    EXPECT_FALSE(CheckBatchNamePattern("%b.%x")) << "the reason is optional";

    const auto plan = PlanBatchOutputs({"/p/a.jpg", "/q/b.png", "/r/a.tif"}, "/out", "webp", "%n-%b-%t-100%%.%e", "Rain/Heavy");
    ASSERT_EQ(plan.size(), 3u);
    EXPECT_EQ(plan[0].out, "/out/1-a-Rain_Heavy-100%.webp");
    EXPECT_EQ(plan[1].out, "/out/2-b-Rain_Heavy-100%.webp");
    EXPECT_EQ(plan[2].out, "/out/3-a-Rain_Heavy-100%.webp");
    EXPECT_TRUE(plan[2].error.empty());  // %n keeps the two a's apart

    const auto clash = PlanBatchOutputs({"/p/a.jpg", "/q/b.png"}, "/out", "jpg", "same.%e", "T");
    EXPECT_TRUE(clash[0].error.empty());
    EXPECT_NE(clash[1].error.find("same name"), std::string::npos);
    EXPECT_EQ(PlanBatchOutputs({"/p/a.jpg"}, "/out", "jpg", "%b.%e", "T")[0].out,
              PlanBatchOutputs({"/p/a.jpg"}, "/out", "jpg")[0].out);
}
