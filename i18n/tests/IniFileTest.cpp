// The INI reader against the rules of Windows profile files.
#include "i18n/IniFile.h"
#include "platform/Files.h"
#include "platform/Rand15.h"
#include "platform/Text.h"
#include "platform/testing/TestEnv.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>

using i18n::Escapes;
using i18n::IniFile;

namespace {

// UTF-16 bytes of an ASCII/BMP UTF-8 string (tests only use characters below U+10000).
std::string Utf16(std::u16string_view text, bool bigEndian)
{
    std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (char16_t c : text) {
        const char hi = static_cast<char>(c >> 8), lo = static_cast<char>(c & 0xFF);
        out += bigEndian ? hi : lo;
        out += bigEndian ? lo : hi;
    }
    return out;
}

}  // namespace

TEST(IniFile, LookupsIgnoreCaseAndTheFirstKeyWins)
{
    const IniFile ini = IniFile::FromText("[String]\n152=first\n152=second\nKey=v\n[OTHER]\nkey=other\n");
    EXPECT_EQ(ini.Get("STRING", "152"), "first");
    EXPECT_EQ(ini.Get("string", "KEY"), "v");
    EXPECT_EQ(ini.Get("other", "Key"), "other");
    EXPECT_EQ(ini.Get("missing", "152", "dflt"), "dflt");
    EXPECT_EQ(ini.Get("STRING", "153", "dflt"), "dflt");
    ASSERT_EQ(ini.Problems().size(), 1u);  // the repeated key is reported with its line
    EXPECT_EQ(ini.Problems()[0].line, 3);
}

TEST(IniFile, SectionWrittenTwiceCountsAsOne)
{
    const IniFile ini = IniFile::FromText("[A]\nx=1\n[B]\ny=2\n[a]\nx=3\nz=4\n");
    EXPECT_EQ(ini.Get("A", "x"), "1");
    EXPECT_EQ(ini.Get("A", "z"), "4");
    EXPECT_EQ(ini.Sections(), (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(ini.Keys("a"), (std::vector<std::string>{"x", "z"}));
}

TEST(IniFile, ValuesAreTrimmedUnquotedAndEmptyMeansAbsent)
{
    const IniFile ini = IniFile::FromText("[S]\n  a  =   spaced value \t\nb=\nc=  \nd=\"  kept blanks \"\ne='x'\nf=\"\"\n"
                                          "g=\"unbalanced\nh=say \"hi\"\n");
    EXPECT_EQ(ini.Get("S", "a"), "spaced value");
    EXPECT_EQ(ini.Get("S", "b", "absent"), "absent");
    EXPECT_EQ(ini.Get("S", "c", "absent"), "absent");
    EXPECT_EQ(ini.Get("S", "d"), "  kept blanks ");
    EXPECT_EQ(ini.Get("S", "e"), "x");
    EXPECT_EQ(ini.Get("S", "f", "absent"), "absent");
    EXPECT_EQ(ini.Get("S", "g"), "\"unbalanced");
    EXPECT_EQ(ini.Get("S", "h"), "say \"hi\"");
    ASSERT_NE(ini.GetRaw("S", "d"), nullptr);
    EXPECT_EQ(*ini.GetRaw("S", "d"), "\"  kept blanks \"");
    EXPECT_EQ(ini.GetRaw("S", "zz"), nullptr);
}

// The packaged inih reads ';' as an inline comment, ':' as a separator, indented lines as
// continuations and '#' lines as comments; a profile file does none of that.
TEST(IniFile, OnlyTheProfileGrammarApplies)
{
    const IniFile ini = IniFile::FromText("[S]\n"
                                          "a = one ; two\n"
                                          "Note: b = c\n"
                                          "d = first\n"
                                          "   e = indented\n"
                                          "#f = hash\n"
                                          "; g = comment\n"
                                          "h = x = y\n"
                                          "i = [not a section]\n"
                                          "  [T]  \n"
                                          "j = in T\n");
    EXPECT_EQ(ini.Get("S", "a"), "one ; two");
    EXPECT_EQ(ini.Get("S", "Note: b"), "c");
    EXPECT_EQ(ini.Get("S", "d"), "first");
    EXPECT_EQ(ini.Get("S", "e"), "indented");
    EXPECT_EQ(ini.Get("S", "#f"), "hash");
    EXPECT_EQ(ini.Get("S", "; g", "none"), "none");
    EXPECT_EQ(ini.Get("S", "h"), "x = y");
    EXPECT_EQ(ini.Get("S", "i"), "[not a section]");
    EXPECT_EQ(ini.Get("T", "j"), "in T");
    EXPECT_TRUE(ini.Problems().empty());
}

TEST(IniFile, LongValuesAndKeysAreReadWholeAndCutAt1023Characters)
{
    std::string value;
    for (int i = 0; i < 1500; ++i) value += static_cast<char>('a' + i % 26);
    const std::string chinese = [] {
        std::string s;
        for (int i = 0; i < 1100; ++i) s += "\xE5\xAD\x97";  // one character, three bytes
        return s;
    }();
    const std::string key(5000, 'k');
    const IniFile ini = IniFile::FromText("[S]\nlong=" + value + "\nzh=" + chinese + "\n" + key + "=found\nafter=ok\n");
    EXPECT_EQ(ini.Get("S", "long"), value.substr(0, 1023));
    EXPECT_EQ(*ini.GetRaw("S", "long"), value);
    EXPECT_EQ(ini.Get("S", "zh").size(), 1023u * 3);
    EXPECT_EQ(ini.Get("S", "long", "", 1020).size(), 1020u);
    EXPECT_EQ(ini.Get("S", key), "found");
    EXPECT_EQ(ini.Get("S", "after"), "ok");  // nothing of the long lines spilled over
    EXPECT_EQ(ini.Keys("S").size(), 4u);
}

TEST(IniFile, Utf16WithCrLfIsConverted)
{
    const std::u16string text = u"[General]\r\nLanguage=Deutsch\r\n[STRING]\r\n152=M\u00f6chten Sie wirklich beenden?\r\n"
                                u"153=\u6587\u4EF6\r\n";
    for (bool bigEndian : {false, true}) {
        const IniFile ini = IniFile::FromText(Utf16(text, bigEndian));
        EXPECT_EQ(ini.Get("general", "language"), "Deutsch") << bigEndian;
        EXPECT_EQ(ini.Get("STRING", "152"), "M\xC3\xB6" "chten Sie wirklich beenden?") << bigEndian;
        EXPECT_EQ(ini.Get("STRING", "153"), "\xE6\x96\x87\xE4\xBB\xB6") << bigEndian;
        EXPECT_EQ(ini.Keys("STRING").size(), 2u);
    }
}

TEST(IniFile, Utf8BomAnsiAndEveryLineEnd)
{
    // With a byte-order mark the first section is still found.
    EXPECT_EQ(IniFile::FromText("\xEF\xBB\xBF[A]\nk=v\n").Get("A", "k"), "v");
    // Bytes that are not UTF-8 are Windows-1252, as an old ANSI file would be read.
    EXPECT_EQ(IniFile::FromText("[A]\nk=\x93quoted\x94 caf\xE9\n").Get("A", "k"), "\xE2\x80\x9Cquoted\xE2\x80\x9D caf\xC3\xA9");
    // CR alone, LF alone, CRLF and a last line without an end.
    const IniFile ini = IniFile::FromText("[A]\rcr=1\rlf=2\ncrlf=3\r\n\r\nlast=4");
    EXPECT_EQ(ini.Get("A", "cr"), "1");
    EXPECT_EQ(ini.Get("A", "lf"), "2");
    EXPECT_EQ(ini.Get("A", "crlf"), "3");
    EXPECT_EQ(ini.Get("A", "last"), "4");
}

TEST(IniFile, DecodeTextRepairsBrokenUtf16)
{
    // An unpaired surrogate becomes U+FFFD, a dangling odd byte is dropped.
    EXPECT_EQ(i18n::DecodeText(std::string("\xFF\xFE" "A\0\x00\xD8" "B\0!", 9)), "A\xEF\xBF\xBD" "B");
    // Overlong and surrogate UTF-8 forms are not accepted as UTF-8.
    EXPECT_EQ(i18n::DecodeText("\xC0\xAF"), "\xC3\x80\xC2\xAF");
}

TEST(IniFile, EscapesApplyByRule)
{
    const std::string raw = "a\\tb\\nc\\\\n\\x";
    EXPECT_EQ(i18n::Unescape(raw, Escapes::None), raw);
    EXPECT_EQ(i18n::Unescape(raw, Escapes::LineBreaks), "a\\tb\nc\\\n\\x");
    EXPECT_EQ(i18n::Unescape(raw, Escapes::LineBreaksTabs), "a\tb\nc\\\n\\x");
    EXPECT_EQ(i18n::Unescape("ends with \\", Escapes::LineBreaksTabs), "ends with \\");
}

TEST(IniFile, GetIntReadsLikeTheProfileIntegerReader)
{
    const IniFile ini = IniFile::FromText("[Gerneral]\nversion=201\nbuild= -7 \njunk=12abc\nword=abc\nbig=99999999999\nempty=\n");
    EXPECT_EQ(ini.GetInt("Gerneral", "version"), 201);
    EXPECT_EQ(ini.GetInt("Gerneral", "build"), -7);
    EXPECT_EQ(ini.GetInt("Gerneral", "junk"), 12);
    EXPECT_EQ(ini.GetInt("Gerneral", "word", 5), 0);
    EXPECT_EQ(ini.GetInt("Gerneral", "big"), INT32_MAX);
    EXPECT_EQ(ini.GetInt("Gerneral", "empty", 9), 9);
    EXPECT_EQ(ini.GetInt("Gerneral", "missing", 9), 9);
}

TEST(IniFile, MalformedLinesAreSkippedAndReported)
{
    const std::string manyEquals(600, '=');
    const IniFile ini = IniFile::FromText("[A]\nx=1\njust words\n[broken\ny=2\n=nameless\n" + manyEquals + "\nz=3\n");
    EXPECT_EQ(ini.Get("A", "x"), "1");
    EXPECT_EQ(ini.Get("A", "y"), "2");  // a broken section line leaves the section as it was
    EXPECT_EQ(ini.Get("A", "z"), "3");
    EXPECT_EQ(ini.Keys("A"), (std::vector<std::string>{"x", "y", "z"}));
    std::vector<int> lines;
    for (const auto& p : ini.Problems()) lines.push_back(p.line);
    EXPECT_EQ(lines, (std::vector<int>{3, 4, 6, 7}));
}

TEST(IniFile, KeysBeforeAnySectionAndFilesWithoutSections)
{
    const IniFile ini = IniFile::FromText("a=1\nb=2\n");
    EXPECT_EQ(ini.Get("", "a"), "1");
    EXPECT_FALSE(ini.HasSection("STRING"));
    EXPECT_EQ(ini.Get("STRING", "a", "none"), "none");
}

TEST(IniFile, MissingOrHugeFilesGiveAnEmptyFileAndAReason)
{
    std::string error;
    const IniFile missing = IniFile::Load("/nonexistent/grimaze/lang_xyz.ini", &error);
    EXPECT_FALSE(missing.Loaded());
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(missing.Get("STRING", "152", "built-in"), "built-in");

    testenv::TempDir dir;
    error.clear();
    EXPECT_FALSE(IniFile::Load(dir.path(), &error).Loaded());  // a folder is not a file
    EXPECT_FALSE(error.empty());
}

TEST(IniFile, TenMegabytesOfGarbageAreReadWithoutHarm)
{
    testenv::TempDir dir;
    platform::Rand15 rand(4242);
    std::string bytes(10u << 20, '\0');
    for (char& c : bytes) c = static_cast<char>(rand.Next() & 0xFF);
    // Sprinkle structure so that every path of the reader is taken.
    for (size_t i = 0; i < bytes.size(); i += 997) bytes[i] = "=[]\n;\r"[i % 6];
    ASSERT_TRUE(platform::WriteFileAtomically(dir / "garbage.ini", bytes));

    std::string error;
    const IniFile ini = IniFile::Load(dir / "garbage.ini", &error);
    EXPECT_TRUE(ini.Loaded()) << error;
    EXPECT_LE(ini.Problems().size(), 201u);
    for (const std::string& s : ini.Sections())
        for (const std::string& k : ini.Keys(s)) EXPECT_LE(ini.Get(s, k).size(), 1023u * 4);
}

// Random lines over an alphabet full of characters inih treats specially, read by the reader
// and by a plain implementation of the profile rules: both must agree on every key.
TEST(IniFile, AgreesWithAPlainReadingOfTheProfileRules)
{
    const std::vector<std::string> tokens = {"a", "b", " ", "Z", "=", ";", ":", "#", "[", "]", "\"", "'", "\\",
                                             "\t", "%", "\x02", "\x03", "\xC3\xA9", "\xE5\xAD\x97"};
    platform::Rand15 rand(7);
    const auto token = [&] { return tokens[static_cast<size_t>(rand.Next()) % tokens.size()]; };
    for (int round = 0; round < 50; ++round) {
        std::string text = "[S]\n";
        std::map<std::string, std::string> expected;  // lower-case key -> trimmed value
        for (int line = 0; line < 40; ++line) {
            std::string key, value;
            const int keyLen = 1 + rand.Next() % 12, valueLen = rand.Next() % (line % 7 == 0 ? 400 : 30);
            while (static_cast<int>(key.size()) < keyLen) {
                const std::string t = token();
                // '=' ends a key; a line that starts with '[' is a section line.
                if (t == "=" || (t == "[" && platform::Trim(key).empty())) continue;
                key += t;
            }
            for (int i = 0; i < valueLen; ++i) value += token();
            text += key + "=" + value + "\n";
            const std::string k(platform::Trim(key));
            if (k.empty() || k[0] == ';') continue;  // a comment or a nameless value
            expected.try_emplace(platform::ToLowerAscii(k), std::string(platform::Trim(value)));
        }
        const IniFile ini = IniFile::FromText(text);
        for (const auto& [k, v] : expected) {
            const std::string* raw = ini.GetRaw("S", k);
            ASSERT_NE(raw, nullptr) << "round " << round << " key [" << k << "]";
            EXPECT_EQ(*raw, v) << "round " << round << " key [" << k << "]";
        }
    }
}
