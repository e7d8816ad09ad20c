// SPDX-License-Identifier: MIT
// template.cfg: checked with the library's own round trip on bytes, then read into a library from
// a folder, laid out as the gallery lays it out, written back as when the window closes, and read
// again. The second reading must give the same library: a file the
// program writes and cannot read back costs the user their hidden and downloaded templates at
// the next start.
#include "fuzz/FuzzSupport.h"
#include "fuzz/LibraryFuzzSupport.h"
#include "library/GalleryModel.h"
#include "library/TemplateLibrary.h"

#include <string>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::Sandbox();
    fuzz::InstallProgramFolder();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text = fuzz::AsText(data, size);
    // The bytes first: every file the library writes must load again to the same library, and
    // saving that must give the same bytes.
    if (std::string why; !library::LibraryTextRoundTrips(text, &why)) fuzz::Fail(why);
    const std::string& box = fuzz::Sandbox();
    fuzz::EmptyFolder(box + "/work");
    const std::string folder = box + "/work/lib/";
    fuzz::WriteLibraryFixtures(folder);
    fuzz::WriteBytes(folder + "template.cfg", text);

    std::string first;
    {
        library::CTemplateLibrary lib;
        if (!lib.ReadLibraryConfig(folder)) return 0;
        first = fuzz::DescribeLibrary(lib);
        {
            library::CGalleryModel gallery(lib);
            gallery.SetTranslator([](const std::string& s) { return s; });
            gallery.SetClientSize(420, 300);
            gallery.Fill();
            (void)gallery.BuildPaintPlan();
        }
        std::string error;
        if (!lib.SaveTemplateLibrary(&error)) fuzz::Fail("the library cannot be saved: " + error);
    }
    library::CTemplateLibrary again;
    if (!again.ReadLibraryConfig(folder)) fuzz::Fail("the saved template.cfg cannot be read back");
    const std::string second = fuzz::DescribeLibrary(again);
    if (second != first) fuzz::Fail("the saved template.cfg reads back as another library:\n" + first + "-- now --\n" + second);
    return 0;
}
