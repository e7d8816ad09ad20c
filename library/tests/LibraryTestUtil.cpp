#include "library/tests/LibraryTestUtil.h"

#include "platform/Folders.h"

#include <zip.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace libtest {

void WriteText(const std::string& path, const std::string& text)
{
    platform::MakeFolders(platform::ParentFolder(path));
    std::ofstream out(path, std::ios::binary);
    out << text;
    if (!out) throw std::runtime_error("cannot write " + path);
}

std::string ReadText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string DefinitionXml(const std::string& name)
{
    return "<effect>\n  <template name=\"" + name +
           "\"/>\n  <filter name=\"SimpleTemplate\">\n    <filter name=\"SimpleFilter\"/>\n  </filter>\n</effect>\n";
}

void WriteZip(const std::string& path, const std::vector<std::pair<std::string, std::string>>& entries)
{
    int err = 0;
    zip_t* z = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &err);
    if (!z) throw std::runtime_error("cannot create " + path);
    for (const auto& [name, content] : entries) {
        if (!name.empty() && name.back() == '/') {
            zip_dir_add(z, name.c_str(), ZIP_FL_ENC_RAW);
            continue;
        }
        // libzip copies the buffer when freep is 0 only until zip_close; keep the strings alive.
        zip_source_t* src = zip_source_buffer(z, content.data(), content.size(), 0);
        if (!src || zip_file_add(z, name.c_str(), src, ZIP_FL_ENC_RAW | ZIP_FL_OVERWRITE) < 0) {
            zip_source_free(src);
            zip_discard(z);
            throw std::runtime_error("cannot add " + name);
        }
    }
    if (zip_close(z) != 0) throw std::runtime_error("cannot finish " + path);
}

std::vector<std::string> FilesUnder(const std::string& folder)
{
    std::vector<std::string> out;
    std::error_code ec;
    for (auto it = std::filesystem::recursive_directory_iterator(folder, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
        if (it->is_regular_file(ec)) out.push_back(std::filesystem::relative(it->path(), folder, ec).string());
    std::sort(out.begin(), out.end());
    return out;
}

}  // namespace libtest
