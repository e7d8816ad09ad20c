// The option values render, gif and batch share: each command refuses a bad one the same way,
// naming itself and the option, before it opens anything.
#include "cli/tests/CliRunner.h"

#include <gtest/gtest.h>

#include <filesystem>


using clitest::Cli;

TEST(SharedOptionValues, EachCommandRefusesABadValueNamingItselfAndTheOption)
{
    struct Case {
        const char* option;
        const char* value;
        const char* message;
        std::vector<std::string> commands;
    };
    const Case cases[] = {
        {"--quality", "0", "bad value for --quality: \"0\" (want 1 to 100)", {"render", "batch"}},
        {"--quality", "101", "bad value for --quality: \"101\" (want 1 to 100)", {"render", "batch"}},
        {"--var3", "x", "bad value for --var3: \"x\"", {"render", "batch"}},
        {"--size", "3", "bad value for --size: \"3\" (want WxH)", {"render", "batch"}},
        {"--seed", "-1", "bad value for --seed: \"-1\"", {"render", "batch"}},
        {"--seed", "4294967296", "bad value for --seed: \"4294967296\"", {"render", "batch"}},
        {"--turn", "1", "bad value for --turn: \"1\" (want H,V)", {"render", "gif"}},
        {"--face", "0", "bad value for --face: \"0\"", {"render", "gif"}},
        {"--face", "1001", "bad value for --face: \"1001\"", {"render", "gif"}},
    };
    testenv::TempDir dir;
    for (const Case& c : cases)
        for (const std::string& command : c.commands) {
            std::vector<std::string> args = {command, "--template", "Emboss"};
            if (command == "batch") {
                args.insert(args.end(), {"--out-dir", dir / "out", c.option, c.value, dir / "photo.jpg"});
            } else {
                const std::string out = dir / (command == "gif" ? "out.gif" : "out.png");
                args.insert(args.end(), {"--photo", dir / "photo.jpg", "--out", out, c.option, c.value});
            }
            const auto r = Cli(args);
            EXPECT_EQ(r.code, 2) << command << " " << c.option << " " << c.value;
            EXPECT_EQ(r.err, "grimaze-cli " + command + ": " + c.message + "\n") << command;
        }
    // Nothing was opened or written.
    EXPECT_FALSE(std::filesystem::exists(dir / "out"));
    EXPECT_FALSE(std::filesystem::exists(dir / "out.png"));
    EXPECT_FALSE(std::filesystem::exists(dir / "out.gif"));
}
