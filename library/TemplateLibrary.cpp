#include "library/TemplateLibrary.h"

#include "library/LibraryPaths.h"
#include "library/ZipExtract.h"

#include "engine/ImageIO.h"
#include "engine/TemplateFile.h"
#include "engine/XmlText.h"
#include "platform/Failure.h"
#include "platform/Files.h"
#include "platform/Folders.h"
#include "platform/Text.h"
#include "update/VendorSite.h"

#include <tinyxml2.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <map>
#include <set>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

using engine::AppendLog;
using engine::LoadDefinitionFile;
using engine::ParseXml;

namespace library {

using tinyxml2::XMLDocument;
using tinyxml2::XMLElement;

namespace {

/** Thumbnails are small pictures; anything bigger is not one. */
constexpr std::size_t kMaxThumbBytes = 16u << 20;

const char* Attr(const XMLElement* e, const char* name)
{
    return e ? e->Attribute(name) : nullptr;
}

std::string AttrString(const XMLElement* e, const char* name)
{
    const char* v = Attr(e, name);
    return v ? v : "";
}

/** Creates the folders of a path up to its last separator: "a/b/c" makes a/b, "a/b/" a/b. */
void MakeFoldersOf(const std::string& path)
{
    const size_t p = path.find_last_of('/');
    if (p == std::string::npos || p == 0) return;
    platform::MakeFolders(path.substr(0, p));
}

/**
 * Whether the folders of path could be made and a file of the given size written there,
 * judged without writing anything: the nearest existing folder must be a writable folder with
 * room for it. false with the reason in why.
 */
bool CouldWriteIn(const std::string& path, std::uintmax_t bytes, std::string* why)
{
    std::string existing = path;
    struct stat st {};
    while (stat(existing.c_str(), &st) != 0) {
        const std::string parent = platform::ParentFolder(existing);
        if (parent.empty() || parent == existing) return true;  // a relative name: nothing to judge by
        existing = parent;
    }
    const std::string inside = existing + "/x";  // DescribeWriteError names the folder of a file
    if (!S_ISDIR(st.st_mode)) return platform::Fail(why, existing + " is not a folder");
    if (access(existing.c_str(), W_OK | X_OK) != 0) return platform::Fail(why, platform::DescribeWriteError(errno, inside));
    struct statvfs fs {};
    if (statvfs(existing.c_str(), &fs) == 0 && static_cast<std::uintmax_t>(fs.f_bavail) * fs.f_frsize < bytes)
        return platform::Fail(why, platform::DescribeWriteError(ENOSPC, inside));
    return true;
}

int Version(const XMLDocument& doc)
{
    const XMLElement* root = doc.RootElement();
    return IntAttribute(root ? root->FirstChildElement("version") : nullptr, "ver");
}

/** Calls f for every template element under columns/column, then under templates. */
template <class F>
void ForEachUserTemplate(XMLElement* root, F f)
{
    if (!root) return;
    for (XMLElement* cols = root->FirstChildElement("columns"); cols; cols = cols->NextSiblingElement("columns"))
        for (XMLElement* col = cols->FirstChildElement("column"); col; col = col->NextSiblingElement("column"))
            for (XMLElement* t = col->FirstChildElement("template"); t; t = t->NextSiblingElement("template")) f(t);
    for (XMLElement* list = root->FirstChildElement("templates"); list; list = list->NextSiblingElement("templates"))
        for (XMLElement* t = list->FirstChildElement("template"); t; t = t->NextSiblingElement("template")) f(t);
}

/**
 * The carried-over entry is the user's element, every attribute kept ("preset", "hide", the
 * download state, attributes a later version added). Two are taken from the newer shipped entry,
 * because they describe the program's side and are newer there: the download address ("url") and
 * the picture ("thumb"); a shipped entry without them drops them. One more exception: a shipped
 * (not online) template whose definition the new version moved, so that the user's "filepath" now
 * names nothing while the shipped one exists, follows its files; otherwise the gallery would drop it.
 */
XMLElement* MergedEntry(const XMLElement* shipped, const XMLElement* user, const std::string& libraryFolder,
                        XMLDocument& into)
{
    XMLElement* copy = user->DeepClone(&into)->ToElement();
    auto take = [&](const char* name) {
        if (const char* v = shipped->Attribute(name))
            copy->SetAttribute(name, v);
        else
            copy->DeleteAttribute(name);
    };
    take("url");
    take("thumb");
    if (IntAttribute(shipped, "online") == 0 && IntAttribute(user, "online") == 0) {
        const std::string mine = AttrString(user, "filepath"), theirs = AttrString(shipped, "filepath");
        if (!theirs.empty() && mine != theirs && !platform::FileExists(ExpandItemPath(mine, libraryFolder)) &&
            platform::FileExists(ExpandItemPath(theirs, libraryFolder)))
            take("filepath");
    }
    return copy;
}

bool HasParentSegment(const std::string& path)
{
    size_t i = 0;
    while (i <= path.size()) {
        const size_t next = path.find('/', i);
        const std::string seg = path.substr(i, next == std::string::npos ? std::string::npos : next - i);
        if (seg == "..") return true;
        if (next == std::string::npos) break;
        i = next + 1;
    }
    return false;
}

/** Copies a template's thumbnail from the program's thumb folder into the library. */
void CopyThumbnail(const std::string& thumb, const std::string& libraryFolder)
{
    // Only library-relative pictures are copies; others are used where they are.
    if (thumb.empty() || thumb[0] != '.') return;
    const std::string normalized = platform::NormalizePath(thumb);
    if (HasParentSegment(normalized)) return;
    const std::string source = platform::ProgramFolder() + "/thumb/" + platform::FileName(normalized);
    const std::string target = ExpandItemPath(thumb, libraryFolder);
    std::string data;
    if (!platform::ReadFile(source, data, kMaxThumbBytes)) return;
    MakeFoldersOf(target);
    platform::WriteFileAtomically(target, data);
}

/**
 * A user's library file that cannot be read is moved aside as "<file>.broken-<date>-<time>"
 * (with "-2", "-3", ... when that name is taken) before the shipped file takes its place:
 * the user may still want what it held. False, with nothing changed, when it cannot be moved.
 */
bool KeepBrokenFile(const std::string& file, const std::string& why)
{
    const std::time_t now = std::time(nullptr);
    std::tm local {};
    localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    std::string kept = file + ".broken-" + stamp;
    struct stat st {};
    for (int n = 2; lstat(kept.c_str(), &st) == 0; ++n) kept = file + ".broken-" + stamp + "-" + std::to_string(n);
    std::string error;
    if (!platform::ReplaceFile(file, kept, &error)) {
        AppendLog("The library file \"" + file + "\" cannot be read (" + why + ") and cannot be kept aside (" + error +
                  "); it is left as it is.");
        return false;
    }
    AppendLog("The library file \"" + file + "\" cannot be read (" + why + "); it is kept as \"" +
              platform::FileName(kept) + "\" and the shipped library is installed in its place.");
    return true;
}

}  // namespace

int IntAttribute(const XMLElement* element, const char* name)
{
    const char* v = Attr(element, name);
    if (!v) return 0;
    // "%d": leading blanks, a sign, digits; whatever follows is ignored.
    errno = 0;
    char* end = nullptr;
    const long n = std::strtol(v, &end, 10);
    if (end == v) return 0;
    if (errno == ERANGE || n > INT_MAX || n < INT_MIN) return n < 0 ? INT_MIN : INT_MAX;
    return static_cast<int>(n);
}

std::unique_ptr<XMLDocument> ParseLibraryFile(const std::string& path, std::string* error)
{
    std::string text;
    if (!platform::ReadFile(path, text, kMaxLibraryFileBytes, error)) return nullptr;
    return ParseLibraryText(text, error);
}

std::unique_ptr<XMLDocument> ParseLibraryText(std::string_view text, std::string* error)
{
    if (text.size() > kMaxLibraryFileBytes) {
        if (error) *error = "the file is too large";
        return nullptr;
    }
    auto doc = std::make_unique<XMLDocument>();
    // ParseXml refuses an element with thousands of attributes before tinyxml2's quadratic walk.
    std::string why;
    if (!ParseXml(*doc, text, &why)) {
        if (error) *error = doc->Error() ? "not well-formed XML (" + why + ")" : why;
        return nullptr;
    }
    if (!doc->RootElement()) {
        if (error) *error = "the file holds no element";
        return nullptr;
    }
    return doc;
}

namespace {

std::string PrintLibraryFile(const XMLDocument& doc)
{
    // Only the root element means anything to the library. What tinyxml2 keeps around it (text
    // after the root, "<!...>" markup, a second root) does not always print in a form it reads
    // again, so the file holds a declaration, the comments before the root and the root.
    tinyxml2::XMLPrinter printer;
    printer.PushHeader(doc.HasBOM(), true);
    const XMLElement* root = doc.RootElement();
    for (const tinyxml2::XMLNode* n = doc.FirstChild(); n && n != root; n = n->NextSibling())
        if (n->ToComment()) n->Accept(&printer);
    if (root) root->Accept(&printer);
    return std::string(printer.CStr(), static_cast<size_t>(printer.CStrSize() > 0 ? printer.CStrSize() - 1 : 0));
}

}  // namespace

std::string LibraryFileText(const XMLDocument& doc)
{
    // A character reference tinyxml2 cannot print back (such as "&#x0;" in text) makes its output
    // read back into a document that prints differently; print what it reads from its own output
    // until that is stable, so saving a saved file gives the same bytes.
    std::string text = PrintLibraryFile(doc);
    for (int i = 0; i < 3; ++i) {
        XMLDocument again;
        if (again.Parse(text.data(), text.size()) != tinyxml2::XML_SUCCESS) break;
        std::string next = PrintLibraryFile(again);
        if (next == text) break;
        text = std::move(next);
    }
    return text;
}

namespace {

void Summarize(const XMLElement* e, int depth, std::string& out)
{
    for (; e; e = e->NextSiblingElement()) {
        out.append(static_cast<size_t>(depth), ' ');
        out += e->Name();
        for (const tinyxml2::XMLAttribute* a = e->FirstAttribute(); a; a = a->Next()) {
            out += ' ';
            out += a->Name();
            out += "=\"";
            out += a->Value();
            out += '"';
        }
        if (const char* t = e->GetText()) {
            std::string_view text(t);
            const size_t b = text.find_first_not_of(" \t\r\n");
            const size_t end = text.find_last_not_of(" \t\r\n");
            if (b != std::string_view::npos) {
                out += " text=";
                out += text.substr(b, end - b + 1);
            }
        }
        out += '\n';
        Summarize(e->FirstChildElement(), depth + 1, out);
    }
}

}  // namespace

std::string LibrarySummary(const XMLDocument& doc)
{
    std::string out;
    const XMLElement* root = doc.RootElement();
    if (root) {
        out += root->Name();
        out += '\n';
        Summarize(root->FirstChildElement(), 1, out);
    }
    return out;
}

bool LibraryTextRoundTrips(std::string_view text, std::string* why)
{
    const std::unique_ptr<XMLDocument> first = ParseLibraryText(text);
    if (!first) return true;
    const std::string saved = LibraryFileText(*first);
    std::string error;
    const std::unique_ptr<XMLDocument> second = ParseLibraryText(saved, &error);
    if (!second) {
        if (why) *why = "the saved file does not load: " + error;
        return false;
    }
    if (LibrarySummary(*first) != LibrarySummary(*second)) {
        if (why) *why = "the saved file loads to another library";
        return false;
    }
    if (LibraryFileText(*second) != saved) {
        if (why) *why = "saving the saved file again changes it";
        return false;
    }
    return true;
}

// --- TemplateItem ---------------------------------------------------------------------------

std::string TemplateItem::TemplateFolder() const
{
    return filepath.empty() ? WithoutTrailingSeparator(libraryFolder) : platform::ParentFolder(filepath);
}

void TemplateItem::SetHide(bool on)
{
    hide = on;
    if (element) element->SetAttribute("hide", on ? 1 : 0);
}

void TemplateItem::SetDownloaded(bool on)
{
    downloaded = on;
    if (element) element->SetAttribute("downloaded", on ? 1 : 0);
}

void TemplateItem::SetFilepath(const std::string& stored)
{
    filepath = stored.empty() ? std::string() : ExpandItemPath(stored, libraryFolder);
    if (element) element->SetAttribute("filepath", stored.c_str());
}

// --- CTemplateLibrary -----------------------------------------------------------------------

CTemplateLibrary::CTemplateLibrary() = default;
CTemplateLibrary::~CTemplateLibrary() { ClearTemplateLibrary(); }

bool CTemplateLibrary::LoadTemplateLibrary()
{
    return LoadTemplateLibraryFrom(platform::ProgramFolder() + "/config.cfg");
}

bool CTemplateLibrary::LoadTemplateLibraryFrom(const std::string& configFile)
{
    loadErrors_.clear();
    if (!readOnly_) {
        // Asked once so that both are created if missing, as the folders the library expands to.
        platform::MakeFolders(platform::DocumentsFolder());
        platform::MakeFolders(platform::DataHome());
    }
    std::string configError;
    const std::unique_ptr<XMLDocument> config = ParseLibraryFile(configFile, &configError);
    if (!config) {
        loadErrors_.push_back("the library configuration " + configFile + " cannot be read: " + configError);
        return false;
    }
    std::set<std::string> seen;
    for (XMLElement* e = config->RootElement()->FirstChildElement("template"); e;
         e = e->NextSiblingElement("template")) {
        const std::string directory = AttrString(e, "directory");
        if (directory.empty()) continue;
        const std::string folder = ExpandLibraryDirectory(directory);
        // A folder listed twice (perhaps spelt differently) is one library, read once.
        std::error_code ec;
        const std::string file = std::filesystem::weakly_canonical(folder + "template.cfg", ec).string();
        if (!seen.insert(ec ? folder + "template.cfg" : file).second) continue;
        const char* init = e->Attribute("init_file");
        if (readOnly_) {
            // What the program would install at its next start is what the library then holds.
            const std::unique_ptr<XMLDocument> current = ParseLibraryFile(folder + "template.cfg");
            const std::string initFile = init ? ExpandProgramRelative(init) : std::string();
            const std::unique_ptr<XMLDocument> initial = init ? ParseLibraryFile(initFile) : nullptr;
            if (!initial || (current && Version(*current) >= Version(*initial))) {
                ReadLibraryConfig(folder);
                continue;
            }
            // The next start would write the library here; when it could not, say so now.
            std::error_code ec;
            const std::uintmax_t size = std::filesystem::file_size(initFile, ec);
            if (std::string why; !CouldWriteIn(WithoutTrailingSeparator(folder), ec ? 0 : size, &why)) {
                loadErrors_.push_back("the template library cannot be installed in " + WithoutTrailingSeparator(folder) +
                                      ": " + why);
                continue;
            }
            ReadLibraryConfigFile(initFile, folder);
            continue;
        }
        std::string why;
        MakeFoldersOf(folder);
        if (init) UpgradeLibraryConfig(folder, ExpandProgramRelative(init), folder + "template.cfg", &why);
        // An unpacking that a crash or a kill cut short leaves its hidden folder behind.
        RemoveAbandonedExtractions(folder);
        if (!ReadLibraryConfig(folder) && init) {
            if (why.empty()) why = "no readable template.cfg";
            loadErrors_.push_back("the template library cannot be installed in " + WithoutTrailingSeparator(folder) + ": " +
                                  why);
        }
    }
    return true;
}

bool CTemplateLibrary::UpgradeLibraryConfig(const std::string& libraryFolder, const std::string& initialFile,
                                            const std::string& targetFile, std::string* error)
{
    std::string why;
    const std::unique_ptr<XMLDocument> initial = ParseLibraryFile(initialFile, &why);
    if (!initial) {
        if (error) *error = "the shipped library " + initialFile + " cannot be read (" + why + ")";
        return false;
    }
    const std::unique_ptr<XMLDocument> target = ParseLibraryFile(targetFile, &why);
    if (target && Version(*target) >= Version(*initial)) return false;
    if (struct stat st {}; !target && lstat(targetFile.c_str(), &st) == 0 && !KeepBrokenFile(targetFile, why)) {
        if (error) *error = targetFile + " cannot be read (" + why + ") and cannot be kept aside";
        return false;
    }

    std::map<std::string, const XMLElement*> userEntries;
    if (target)
        ForEachUserTemplate(target->RootElement(), [&](XMLElement* t) {
            if (const char* name = t->Attribute("name")) userEntries[name] = t;  // the later one wins
        });
    auto carryOver = [&](XMLElement* t) -> XMLElement* {
        const char* name = t->Attribute("name");
        const auto found = name ? userEntries.find(name) : userEntries.end();
        if (found == userEntries.end()) return t;
        XMLElement* copy = MergedEntry(t, found->second, libraryFolder, *initial);
        tinyxml2::XMLNode* parent = t->Parent();
        parent->InsertAfterChild(t, copy);
        parent->DeleteChild(t);
        return copy;
    };

    XMLElement* root = initial->RootElement();
    for (XMLElement* cols = root->FirstChildElement("columns"); cols; cols = cols->NextSiblingElement("columns"))
        for (XMLElement* col = cols->FirstChildElement("column"); col; col = col->NextSiblingElement("column"))
            for (XMLElement* t = col->FirstChildElement("template"); t; t = t->NextSiblingElement("template")) {
                t = carryOver(t);
                CopyThumbnail(AttrString(t, "thumb"), libraryFolder);
            }
    for (XMLElement* list = root->FirstChildElement("templates"); list; list = list->NextSiblingElement("templates"))
        for (XMLElement* t = list->FirstChildElement("template"); t; t = t->NextSiblingElement("template"))
            t = carryOver(t);

    return platform::WriteFileAtomically(targetFile, LibraryFileText(*initial), error);
}

bool CTemplateLibrary::ReadLibraryConfig(const std::string& libraryFolder)
{
    return ReadLibraryConfigFile(libraryFolder + "template.cfg", libraryFolder);
}

bool CTemplateLibrary::ReadLibraryConfigFile(const std::string& file, const std::string& libraryFolder)
{
    std::unique_ptr<XMLDocument> doc = ParseLibraryFile(file);
    if (!doc) return false;
    XMLElement* root = doc->RootElement();
    documents_.push_back(std::move(doc));
    folders_.push_back(libraryFolder);

    for (XMLElement* cols = root->FirstChildElement("columns"); cols; cols = cols->NextSiblingElement("columns"))
        for (XMLElement* col = cols->FirstChildElement("column"); col; col = col->NextSiblingElement("column")) {
            const char* name = col->Attribute("name");
            if (!name) continue;
            const char* pathAttr = col->Attribute("path");
            const std::string path = pathAttr ? pathAttr : name;
            TemplateColumn*& column = columnsByPath_[path];
            if (!column) {
                columns_.push_back(std::make_unique<TemplateColumn>());
                column = columns_.back().get();
                column->name = name;
                column->path = path;
                columnsByName_.emplace(column->name, column);
            }
            for (XMLElement* t = col->FirstChildElement("template"); t; t = t->NextSiblingElement("template"))
                AddTemplateItem(*column, t, libraryFolder);
        }
    for (XMLElement* list = root->FirstChildElement("templates"); list; list = list->NextSiblingElement("templates"))
        for (XMLElement* t = list->FirstChildElement("template"); t; t = t->NextSiblingElement("template")) {
            const auto found = columnsByName_.find(AttrString(t, "column"));
            if (found != columnsByName_.end()) AddTemplateItem(*found->second, t, libraryFolder);
        }
    return true;
}

bool CTemplateLibrary::AddTemplateItem(TemplateColumn& column, XMLElement* element, const std::string& libraryFolder)
{
    auto item = std::make_unique<TemplateItem>();
    item->element = element;
    item->libraryFolder = libraryFolder;
    if (const char* name = element->Attribute("name")) item->name = name;
    item->preset = IntAttribute(element, "preset") != 0;
    item->online = IntAttribute(element, "online") != 0;
    item->downloaded = IntAttribute(element, "downloaded") != 0;
    item->hide = IntAttribute(element, "hide") != 0;
    if (const char* thumb = element->Attribute("thumb"); thumb && *thumb)
        item->thumb = ExpandItemPath(thumb, libraryFolder);
    if (item->online) {
        const char* url = element->Attribute("url");
        if (!url || !*url) return false;
        item->url = update::ExpandSiteMacro(url);
    }
    const char* filepath = element->Attribute("filepath");
    if (filepath && *filepath) {
        item->filepath = ExpandItemPath(filepath, libraryFolder);
        if (platform::FileExists(item->filepath)) {
            item->definition = LoadDefinitionFile(item->filepath);
            if (!item->definition) return false;
            if (!element->Attribute("name")) {
                const XMLElement* root = item->definition->RootElement();
                item->name = AttrString(root ? root->FirstChildElement("template") : nullptr, "name");
            }
        } else {
            if (!item->online) return false;
            // The files of a downloaded template have gone: offer it for download again.
            if (item->downloaded) {
                item->SetDownloaded(false);
                item->SetFilepath("");
            }
            item->filepath.clear();
        }
    } else {
        if (!item->online) return false;
        if (item->downloaded) item->SetDownloaded(false);
    }
    column.items.push_back(std::move(item));
    return true;
}

bool CTemplateLibrary::SaveTemplateLibrary(std::string* error)
{
    bool ok = true;
    for (size_t i = 0; i < documents_.size(); ++i) {
        std::string why;
        const std::string file = folders_[i] + "template.cfg";
        const std::string text = LibraryFileText(*documents_[i]);
        // A file the loader would refuse loses everything the user did at the next start;
        // the old file is better than that.
        if (!ParseLibraryText(text, &why)) {
            ok = false;
            if (error) *error += (error->empty() ? "" : "; ") + file + " is not saved: it would not load again (" + why + ")";
            continue;
        }
        if (!platform::WriteFileAtomically(file, text, &why)) {
            ok = false;
            if (error) *error += (error->empty() ? "" : "; ") + why;
        }
    }
    return ok;
}

void CTemplateLibrary::ClearTemplateLibrary()
{
    columns_.clear();
    columnsByPath_.clear();
    columnsByName_.clear();
    documents_.clear();
    folders_.clear();
}

CTemplateLibrary& TheTemplateLibrary()
{
    static CTemplateLibrary library;
    return library;
}

TemplateColumn* CTemplateLibrary::GetColumn(int index) const
{
    return (index >= 0 && index < GetColumnCount()) ? columns_[static_cast<size_t>(index)].get() : nullptr;
}

std::string CTemplateLibrary::GetColumnPath(int index) const
{
    const TemplateColumn* c = GetColumn(index);
    return c ? c->path : std::string();
}

TemplateItem* CTemplateLibrary::FindItem(const std::string& name) const
{
    for (const auto& c : columns_)
        for (const auto& item : c->items)
            if (item->name == name) return item.get();
    for (const auto& c : columns_)
        for (const auto& item : c->items)
            if (platform::EqualsNoCase(item->name, name)) return item.get();
    return nullptr;
}

}  // namespace library
