#pragma once
/**
 * @file TemplateLibrary.h
 * @brief The template library: config.cfg names the library folders, each folder's
 * template.cfg sorts its templates into columns and keeps per-template state.
 *
 * The library is loaded once when the working window opens, changed only in memory (flags,
 * "filepath" and definition documents, always on the item and its XML element together) and
 * written back when the window closes. Every file it rewrites goes through a temporary file
 * renamed into place, so a crash leaves the old or the new file, never a mix.
 *
 * Threads: the interface thread owns the library. Download workers never touch it; the
 * gallery applies their results on the interface thread. The gallery's thumbnail worker reads
 * items only under the gallery's lock, and items change only under that lock once the gallery
 * exists (see GalleryModel.h).
 */
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tinyxml2 {
class XMLDocument;
class XMLElement;
}  // namespace tinyxml2

namespace library {

/** Library files larger than this are refused unread. */
inline constexpr std::size_t kMaxLibraryFileBytes = 16u << 20;

/** One template entry of a template.cfg. */
struct TemplateItem {
    /** The parsed definition file; null for an online template that has no files yet. */
    std::shared_ptr<tinyxml2::XMLDocument> definition;
    /** The entry's element in its library document (not owned). */
    tinyxml2::XMLElement* element = nullptr;
    std::string name;
    std::string filepath;       ///< expanded definition file ("" when none)
    std::string libraryFolder;  ///< the library folder as expanded from config.cfg
    std::string url;            ///< download address (expanded "$(Site)")
    std::string thumb;          ///< expanded "thumb" attribute ("" when none)
    bool preset = false;
    bool online = false;
    bool downloaded = false;
    bool hide = false;

    /** The folder of the definition file: where the template's own files are found. */
    std::string TemplateFolder() const;

    // Writers keep the flag and the element's attribute together.
    void SetHide(bool on);
    void SetDownloaded(bool on);
    /** Sets the element's "filepath" to stored (".\x\y.tmpl") and the item's to its expansion. */
    void SetFilepath(const std::string& stored);
};

/** A group of the gallery: its templates in order, its name and its place in the group tree. */
struct TemplateColumn {
    std::vector<std::unique_ptr<TemplateItem>> items;
    std::string name;
    std::string path;  ///< segments separated by "/"
};

class CTemplateLibrary {
public:
    CTemplateLibrary();
    ~CTemplateLibrary();
    CTemplateLibrary(const CTemplateLibrary&) = delete;
    CTemplateLibrary& operator=(const CTemplateLibrary&) = delete;

    /**
     * @brief Reads config.cfg in the program folder, upgrades each library folder from its
     * initial file and reads its template.cfg. A missing or malformed config.cfg leaves the
     * library empty. Returns false only in that case.
     */
    bool LoadTemplateLibrary();
    /** As LoadTemplateLibrary, with config.cfg at configFile. */
    bool LoadTemplateLibraryFrom(const std::string& configFile);

    /**
     * @brief What went wrong in the last load, one sentence per library folder that could not
     * be installed or read (a read-only or full data folder, a file that cannot be read and
     * cannot be kept aside). Empty when every folder loaded.
     */
    const std::vector<std::string>& LoadErrors() const { return loadErrors_; }

    /**
     * @brief For tools that only look (grimaze-cli templates, render): loading then creates no
     * folder and installs or upgrades no template.cfg; a library folder whose template.cfg is
     * missing or older than its initial file is read from the initial file instead, unless the
     * folder could not take it (not a folder, not writable, no room): that is a load error, as
     * it would be when installing.
     */
    void SetReadOnly(bool readOnly) { readOnly_ = readOnly; }

    /**
     * @brief Writes every library document back to its folder's template.cfg, keeping a UTF-8
     * byte-order mark when the file had one. True when every file was written; a failure
     * (with the reasons joined in error) does not stop the other files.
     */
    bool SaveTemplateLibrary(std::string* error = nullptr);

    /** Drops all columns, items and documents. */
    void ClearTemplateLibrary();

    int GetColumnCount() const { return static_cast<int>(columns_.size()); }
    TemplateColumn* GetColumn(int index) const;
    std::string GetColumnPath(int index) const;

    /** The first item whose name equals name exactly, else the first that equals it ignoring case. */
    TemplateItem* FindItem(const std::string& name) const;

    /**
     * @brief Installs initialFile as target when target is missing or older (by version "ver"),
     * carrying each of the user's entries over by name, and copies the thumbnails of column
     * templates from the program's thumb folder into the library folder.
     * A target that exists but cannot be read is kept as "<target>.broken-<date>-<time>" (and
     * logged) before the initial file takes its place.
     * @return true when target was written; false otherwise, with the reason in error when
     *         something failed (not when target was up to date).
     */
    static bool UpgradeLibraryConfig(const std::string& libraryFolder, const std::string& initialFile,
                                     const std::string& targetFile, std::string* error = nullptr);

    /** Reads libraryFolder + "template.cfg" (no separator is inserted) into the columns. */
    bool ReadLibraryConfig(const std::string& libraryFolder);
    /** Reads file into the columns as the template.cfg of libraryFolder. */
    bool ReadLibraryConfigFile(const std::string& file, const std::string& libraryFolder);

    /** Builds an item from a template element and appends it to column; false when rejected. */
    bool AddTemplateItem(TemplateColumn& column, tinyxml2::XMLElement* element, const std::string& libraryFolder);

    /** The library folders read, in order. */
    const std::vector<std::string>& Folders() const { return folders_; }

private:
    bool readOnly_ = false;
    std::vector<std::unique_ptr<TemplateColumn>> columns_;
    // The column of each path, and the first column of each name (what "templates" entries name).
    std::unordered_map<std::string, TemplateColumn*> columnsByPath_, columnsByName_;
    std::vector<std::unique_ptr<tinyxml2::XMLDocument>> documents_;
    std::vector<std::string> folders_;
    std::vector<std::string> loadErrors_;
};

/**
 * @brief The program's library: loaded when the working window opens, saved and cleared when
 * it closes. (The settings object would own it, but settings sit below the library.)
 */
CTemplateLibrary& TheTemplateLibrary();

/** Reads an integer attribute as "%d" does; a missing or unparsable one counts as 0. */
int IntAttribute(const tinyxml2::XMLElement* element, const char* name);

/** Parses an XML file of at most kMaxLibraryFileBytes; null when missing, too large or malformed. */
std::unique_ptr<tinyxml2::XMLDocument> ParseLibraryFile(const std::string& path, std::string* error = nullptr);

/**
 * @brief Parses the text of a library file (config.cfg or template.cfg) as the loader does:
 * null, with a reason in error, when it is larger than kMaxLibraryFileBytes, not well-formed
 * or has no root element.
 */
std::unique_ptr<tinyxml2::XMLDocument> ParseLibraryText(std::string_view text, std::string* error = nullptr);

/** The bytes SaveTemplateLibrary writes for doc. */
std::string LibraryFileText(const tinyxml2::XMLDocument& doc);

/**
 * @brief What a library document says, as text: every element under the root with its
 * attributes and trimmed text, in order. Two documents that give the same library give the
 * same summary.
 */
std::string LibrarySummary(const tinyxml2::XMLDocument& doc);

/**
 * @brief Loads text as a library file, saves it, loads the saved bytes and saves those again.
 * True when text does not load (there is nothing to save), or when the saved bytes load to the
 * same library and saving them again gives the same bytes; otherwise false with what differed
 * in why. One call for tests and fuzzing.
 */
bool LibraryTextRoundTrips(std::string_view text, std::string* why = nullptr);

}  // namespace library
