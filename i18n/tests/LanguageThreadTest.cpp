// Lookups from worker threads while the user switches languages: each answer comes from
// one file or the other, never from a file being replaced.
#include "i18n/LanguageManager.h"
#include "platform/Files.h"
#include "platform/Folders.h"
#include "platform/testing/TestEnv.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

TEST(LanguageThreads, LookupsDuringLanguageSwitchesSeeWholeFiles)
{
    testenv::TempDir dir;
    ASSERT_TRUE(platform::MakeFolders(dir / "lang"));
    ASSERT_TRUE(platform::WriteFileAtomically(dir / "lang/lang_aaa.ini", "[STRING]\n152=A\n151=A %s %d\n[DICTIONARY]\nSnow=A-snow\n"));
    ASSERT_TRUE(platform::WriteFileAtomically(dir / "lang/lang_bbb.ini", "[STRING]\n152=B\n151=B %s %d\n[DICTIONARY]\nSnow=B-snow\n"));
    i18n::LanguageManager m(dir.path());
    ASSERT_TRUE(m.Use("lang_aaa.ini"));

    std::atomic<bool> stop{false};
    std::atomic<int> bad{0}, lookups{0};
    std::vector<std::thread> readers;
    for (int t = 0; t < 4; ++t) {
        readers.emplace_back([&] {
            while (!stop.load()) {
                const std::string s = m.LoadString(152);
                const std::string p = m.TranslatePhrase("Snow");
                const std::string f = m.FormatString(151, {std::string_view("x"), 7LL});
                if ((s != "A" && s != "B") || (p != "A-snow" && p != "B-snow") || (f != "A x 7" && f != "B x 7")) ++bad;
                ++lookups;
            }
        });
    }
    for (int i = 0; i < 300; ++i) ASSERT_TRUE(m.Use(i % 2 ? "lang_aaa.ini" : "lang_bbb.ini"));
    while (lookups.load() < 1000) std::this_thread::yield();
    stop = true;
    for (std::thread& t : readers) t.join();
    EXPECT_EQ(bad.load(), 0);
}
