// The translator's check on hand-made language files.
#include "i18n/BuiltinStrings.h"
#include "i18n/LangCheck.h"
#include "i18n/UiTexts.h"
#include "platform/Files.h"
#include "platform/testing/TestEnv.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace i18n;

namespace {

// Every text the program looks up, with the built-in wording.
std::string CompleteFile()
{
    std::string text = "[General]\nLanguage=Test\n[STRING]\n";
    for (const BuiltinString& s : BuiltinStrings()) {
        std::string v;
        for (char c : s.text) v += c == '\n' ? std::string("\\n") : std::string(1, c);
        text += std::to_string(s.id) + "=\"" + v + "\"\n";
    }
    int section = -100;
    for (const UiText& t : BuiltinUiTexts()) {
        if (t.section != section) text += "[" + SectionName(section = t.section) + "]\n";
        text += KeyName(t.key) + "=" + std::string(t.text) + "\n";
    }
    return text;
}

bool Has(const std::vector<std::string>& list, const std::string& needle)
{
    return std::any_of(list.begin(), list.end(), [&](const std::string& s) { return s.find(needle) != std::string::npos; });
}

}  // namespace

TEST(LangCheck, ACompleteFilePasses)
{
    testenv::TempDir dir;
    ASSERT_TRUE(platform::WriteFileAtomically(dir / "lang_tst.ini", CompleteFile()));
    ASSERT_TRUE(platform::WriteFileAtomically(dir / "ref.ini", CompleteFile() + "[DICTIONARY]\nOil Paint=Oil Paint\n"));
    const LangCheckReport noReference = CheckLanguageFile(dir / "lang_tst.ini", "");
    EXPECT_TRUE(noReference.Passed());
    EXPECT_EQ(noReference.displayName, "Test");
    EXPECT_TRUE(Has(noReference.warnings, "no reference"));

    // Against a reference with a phrase it lacks, the same file fails on exactly that.
    const LangCheckReport r = CheckLanguageFile(dir / "lang_tst.ini", dir / "ref.ini");
    EXPECT_EQ(r.missing, (std::vector<std::string>{"[DICTIONARY] Oil Paint"}));
    EXPECT_TRUE(r.errors.empty());
    EXPECT_FALSE(r.Passed());
}

TEST(LangCheck, ListsEveryMissingKey)
{
    testenv::TempDir dir;
    std::string text = CompleteFile();
    for (const std::string line : {"152=", "1001=", "item_2=", "Language="}) {
        const size_t at = text.find("\n" + line);
        ASSERT_NE(at, std::string::npos) << line;
        text.erase(at + 1, text.find('\n', at + 1) - at);
    }
    text += "[DICTIONARY]\nStray=never used\n";
    ASSERT_TRUE(platform::WriteFileAtomically(dir / "lang_tst.ini", text));
    const LangCheckReport r = CheckLanguageFile(dir / "lang_tst.ini", "");
    EXPECT_EQ(r.missing.size(), 4u);
    EXPECT_TRUE(Has(r.missing, "[STRING] 152"));
    EXPECT_TRUE(Has(r.missing, "[DIALOG_IDD_165] 1001"));
    EXPECT_TRUE(Has(r.missing, "[MENU] item_2"));
    EXPECT_TRUE(Has(r.missing, "[General] Language"));
    EXPECT_TRUE(Has(r.warnings, "[DICTIONARY] Stray"));
    EXPECT_TRUE(r.displayName.empty());
}

TEST(LangCheck, PlaceholdersPicturesAndBrokenLinesAreReported)
{
    testenv::TempDir dir;
    std::string text = CompleteFile();
    text.replace(text.find("149="), text.find('\n', text.find("149=")) - text.find("149="), "149=Version %s");
    text += "[BITMAP]\n251=present.png\n252=absent.png\n[STRING]\n152=repeated\nnot a key line\n" +
            std::string("[DICTIONARY]\nLong=") + std::string(1100, 'x') + "\n";
    ASSERT_TRUE(platform::WriteFileAtomically(dir / "present.png", "picture"));
    ASSERT_TRUE(platform::WriteFileAtomically(dir / "lang_tst.ini", text));
    const LangCheckReport r = CheckLanguageFile(dir / "lang_tst.ini", "");
    EXPECT_TRUE(r.missing.empty());
    ASSERT_EQ(r.errors.size(), 2u);
    EXPECT_TRUE(Has(r.errors, "[STRING] 149: placeholders (text)"));
    EXPECT_TRUE(Has(r.errors, "absent.png"));
    EXPECT_TRUE(Has(r.warnings, "repeats an earlier line"));
    EXPECT_TRUE(Has(r.warnings, "no '='"));
    EXPECT_TRUE(Has(r.warnings, "longer than 1023"));
    EXPECT_FALSE(r.Passed());
}

TEST(LangCheck, UnreadableFilesAndGarbageAreReportedNotFatal)
{
    testenv::TempDir dir;
    const LangCheckReport missing = CheckLanguageFile(dir / "lang_nop.ini", "");
    EXPECT_FALSE(missing.Passed());
    EXPECT_TRUE(Has(missing.errors, "cannot read"));

    ASSERT_TRUE(platform::WriteFileAtomically(dir / "lang_bad.ini", std::string("\x01\x02\xFF\xFE garbage\n=\n[\n", 16)));
    const LangCheckReport garbage = CheckLanguageFile(dir / "lang_bad.ini", "");
    EXPECT_FALSE(garbage.Passed());
    EXPECT_EQ(garbage.missing.size(), 1u + BuiltinStrings().size() + BuiltinUiTexts().size());
}
