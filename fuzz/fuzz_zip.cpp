// SPDX-License-Identifier: MIT
// Template archives: unpacked into a folder inside the sandbox as a download unpacks them.
// Nothing may appear beside the target folder, and nothing inside it may be a link.
#include "fuzz/FuzzSupport.h"
#include "library/ZipExtract.h"

#include <filesystem>
#include <string>

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::Sandbox();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string work = fuzz::Sandbox() + "/work";
    fuzz::EmptyFolder(work);
    const std::string archive = work + "/in.zip", target = work + "/target";
    fuzz::WriteBytes(archive, fuzz::AsText(data, size));
    fs::create_directory(target);

    std::string error;
    library::ExtractLimits limits;
    limits.maxTotalBytes = 64u << 20;  // the fuzzer's memory, not the program's limit, is the concern here
    const bool ok = library::ExtractArchive(
        archive, target,
        [](const std::string& entry) {
            const std::string path = "/" + entry + "/";
            if (entry.starts_with("/") || path.find("/../") != std::string::npos || entry.find('\\') != std::string::npos)
                fuzz::Fail("an entry path that leaves the folder: " + entry);
        },
        &error, limits);
    if (!ok && error.empty()) fuzz::Fail("an archive refused without a reason");

    std::error_code ec;
    for (const auto& e : fs::directory_iterator(work, ec)) {
        const std::string name = e.path().filename().string();
        if (name != "in.zip" && name != "target") fuzz::Fail("an archive wrote beside its folder: " + name);
    }
    for (auto it = fs::recursive_directory_iterator(target, ec); it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (ec) break;
        if (it->is_symlink(ec)) fuzz::Fail("an archive made a link: " + it->path().string());
    }
    if (!ok) {
        // A failed archive leaves the folder as it was: empty.
        if (!fs::is_empty(target, ec)) fuzz::Fail("a refused archive left files behind: " + error);
    }
    return 0;
}
