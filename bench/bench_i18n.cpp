// Language files and settings: parsing, lookups, and the settings file's load and save.
#include "i18n/IniFile.h"
#include "i18n/LanguageManager.h"
#include "platform/Files.h"
#include "platform/Rand15.h"
#include "settings/GrimazeSettings.h"
#include "settings/SettingsStorageIni.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <unistd.h>

using settings::CGrimazeSettings;
using settings::CSettingsStorageIni;
using settings::kSettingsSection;

namespace {

std::string Shipped(const char* name)
{
    std::string text;
    platform::ReadFile(std::string(GRIMAZE_SOURCE_DIR) + "/media/lang/" + name, text, 1 << 20);
    return text;
}

void BM_ParseLanguageFile(benchmark::State& state)
{
    const std::string text = Shipped("lang_deu.ini");
    for (auto _ : state) benchmark::DoNotOptimize(i18n::IniFile::FromText(text));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ParseLanguageFile);

void BM_ParseGarbage(benchmark::State& state)
{
    platform::Rand15 rand(1);
    std::string bytes(static_cast<size_t>(state.range(0)), '\0');
    for (char& c : bytes) c = static_cast<char>(rand.Next() & 0xFF);
    for (auto _ : state) benchmark::DoNotOptimize(i18n::IniFile::FromText(bytes));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_ParseGarbage)->Arg(1 << 20)->Arg(10 << 20)->Unit(benchmark::kMillisecond);

void BM_LoadString(benchmark::State& state)
{
    i18n::LanguageManager m(std::string(GRIMAZE_SOURCE_DIR) + "/media");
    m.Use("lang_fra.ini");
    int id = 101;
    for (auto _ : state) {
        benchmark::DoNotOptimize(m.LoadString(id));
        id = id == 171 ? 101 : id + 1;
    }
}
BENCHMARK(BM_LoadString);

void BM_TranslatePhrase(benchmark::State& state)
{
    i18n::LanguageManager m(std::string(GRIMAZE_SOURCE_DIR) + "/media");
    m.Use("lang_chs.ini");
    const char* phrases[] = {"Oil Paint", "Brush size", "Photo Cube", "not in the dictionary"};
    size_t i = 0;
    for (auto _ : state) benchmark::DoNotOptimize(m.TranslatePhrase(phrases[i++ % 4]));
}
BENCHMARK(BM_TranslatePhrase);

void BM_SettingsSaveAndLoad(benchmark::State& state)
{
    char dir[] = "/tmp/grimaze-bench-XXXXXX";
    if (!mkdtemp(dir)) {
        state.SkipWithError("no temporary folder");
        return;
    }
    const std::string path = std::string(dir) + "/Grimaze.ini";
    CGrimazeSettings s;
    s.language = "lang_deu.ini";
    for (auto _ : state) {
        CSettingsStorageIni out(path, kSettingsSection);
        s.Save(out);
        CSettingsStorageIni in(path, kSettingsSection);
        s.Load(in);
    }
    unlink(path.c_str());
    rmdir(dir);
}
BENCHMARK(BM_SettingsSaveAndLoad)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
