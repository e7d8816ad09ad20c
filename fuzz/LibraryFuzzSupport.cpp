// SPDX-License-Identifier: MIT
#include "fuzz/LibraryFuzzSupport.h"

#include "fuzz/FuzzSupport.h"
#include "platform/Folders.h"

#include <filesystem>

namespace fuzz {

void InstallProgramFolder()
{
    std::error_code ec;
    std::filesystem::copy(FixtureFolder("program"), Sandbox() + "/program",
                          std::filesystem::copy_options::recursive | std::filesystem::copy_options::overwrite_existing, ec);
    if (ec) Fail("cannot copy the program folder: " + ec.message());
}

void WriteLibraryFixtures(const std::string& libraryFolder)
{
    const std::string folder = libraryFolder + "OilPaint";
    platform::MakeFolders(folder);
    WriteBytes(folder + "/OilPaint.tmpl",
               ReadBytes(FixtureFolder("program") + "/media/Templates/OilPaint/OilPaint.tmpl"));
}

std::string DescribeLibrary(const library::CTemplateLibrary& library)
{
    std::string out;
    for (int i = 0; i < library.GetColumnCount(); ++i) {
        const library::TemplateColumn* c = library.GetColumn(i);
        out += "column [" + c->name + "] [" + c->path + "]\n";
        for (const auto& item : c->items) {
            out += "  [" + item->name + "] file [" + item->filepath + "] url [" + item->url + "] thumb [" + item->thumb +
                   "] flags " + std::to_string(item->preset) + std::to_string(item->online) +
                   std::to_string(item->downloaded) + std::to_string(item->hide) +
                   (item->definition ? " defined" : "") + "\n";
        }
    }
    return out;
}

}  // namespace fuzz
