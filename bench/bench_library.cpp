// The template library's costs: reading library files with many templates, filling and laying
// out the gallery, painting plans and hit tests, and unpacking a downloaded archive.
#include "library/GalleryModel.h"
#include "library/TemplateLibrary.h"
#include "library/ZipExtract.h"

#include <benchmark/benchmark.h>
#include <zip.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

std::string TempFolder()
{
    char pattern[] = "/tmp/grimaze-bench-XXXXXX";
    return mkdtemp(pattern);
}

void Write(const std::string& path, const std::string& text)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

/** A library folder with n local templates in groups of 12 under four categories. */
std::string MakeLibrary(int n)
{
    const std::string dir = TempFolder() + "/";
    std::string columns;
    for (int i = 0; i < n; ++i) {
        const std::string name = "T" + std::to_string(i);
        if (i % 12 == 0) {
            if (i) columns += "</column>";
            columns += "<column name=\"G" + std::to_string(i) + "\" path=\"Cat" + std::to_string(i % 4) + "/G" +
                       std::to_string(i) + "\">";
        }
        Write(dir + name + "/" + name + ".tmpl",
              "<effect><template name=\"" + name +
                  "\"/><filter name=\"SimpleTemplate\"><filter name=\"SimpleFilter\"/><variables>"
                  "<var1 name=\"a\" min=\"0\" max=\"10\" default=\"5\" resolution=\"1\"/></variables></filter></effect>");
        columns += "<template name=\"" + name + "\" filepath=\".\\" + name + "\\" + name + ".tmpl\" hide=\"" +
                   std::to_string(i % 7 == 0) + "\"/>";
    }
    columns += "</column>";
    Write(dir + "template.cfg", "<library><version ver=\"1\"/><columns>" + columns + "</columns></library>");
    return dir;
}

void BM_ReadLibrary(benchmark::State& state)
{
    const std::string dir = MakeLibrary(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        library::CTemplateLibrary lib;
        benchmark::DoNotOptimize(lib.ReadLibraryConfig(dir));
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_ReadLibrary)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

void BM_FillGallery(benchmark::State& state)
{
    const std::string dir = MakeLibrary(static_cast<int>(state.range(0)));
    library::CTemplateLibrary lib;
    lib.ReadLibraryConfig(dir);
    library::CGalleryModel gallery(lib);
    for (auto _ : state) gallery.Fill();
    state.SetItemsProcessed(state.iterations() * state.range(0));
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_FillGallery)->Arg(100)->Arg(1000)->Unit(benchmark::kMicrosecond);

// What every repaint and pointer move costs.
void BM_PaintPlanAndHitTest(benchmark::State& state)
{
    const std::string dir = MakeLibrary(static_cast<int>(state.range(0)));
    library::CTemplateLibrary lib;
    lib.ReadLibraryConfig(dir);
    library::CGalleryModel gallery(lib);
    gallery.SetClientSize(300, 600);
    gallery.Fill();
    int y = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(gallery.BuildPaintPlan());
        benchmark::DoNotOptimize(gallery.HitTest(60, y = (y + 37) % 600, false));
    }
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_PaintPlanAndHitTest)->Arg(100)->Arg(1000)->Unit(benchmark::kMicrosecond);

// A template archive of 40 files of 256 KiB (10 MiB), half of it compressible.
void BM_ExtractArchive(benchmark::State& state)
{
    const std::string dir = TempFolder();
    const std::string archive = dir + "/t.zip";
    std::vector<std::string> contents;
    {
        int err = 0;
        zip_t* z = zip_open(archive.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &err);
        unsigned seed = 1;
        for (int i = 0; i < 40; ++i) {
            std::string data(256 * 1024, '\0');
            for (size_t k = 0; k < data.size(); ++k) data[k] = k % 2 ? char(seed = seed * 1103515245u + 12345u) : 'a';
            contents.push_back(std::move(data));
            zip_file_add(z, ("T/part" + std::to_string(i) + ".bin").c_str(),
                         zip_source_buffer(z, contents.back().data(), contents.back().size(), 0), 0);
        }
        zip_close(z);
    }
    const std::string target = dir + "/lib";
    for (auto _ : state) {
        std::filesystem::create_directories(target);
        if (!library::ExtractArchive(archive, target, nullptr)) state.SkipWithError("extraction failed");
        state.PauseTiming();
        std::filesystem::remove_all(target);
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * 40 * 256 * 1024);
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_ExtractArchive)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
