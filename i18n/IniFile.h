#pragma once
/**
 * @file IniFile.h
 * @brief Read-only INI files with the lookup rules of Windows profile files.
 *
 * Language files, "language_lookup.ini", "version.ini" and the settings file are read
 * with this class. The text is parsed by inih; this layer adds what inih does not do:
 *  - Encodings: UTF-8 with or without byte-order mark, UTF-16 LE/BE with byte-order
 *    mark (converted to UTF-8), and bytes that are not UTF-8 read as Windows-1252, as an
 *    "ANSI" file would be. Lines may end in CRLF, LF or a lone CR.
 *  - inih as packaged is built with 200-byte lines, ';' inline comments, ':' as a second
 *    name/value separator and indented continuation lines. Profile files have none of
 *    these, so inih is handed a skeleton of each line (see IniFile.cpp) and the real text is
 *    put back afterwards: values of any length, ';', ':' and '#' inside keys and values,
 *    and indented lines all read as a profile file reads them.
 *  - Lookups ignore ASCII letter case in section and key names; when a key appears twice
 *    the first one counts, and a section written twice counts as one.
 *  - Get() follows the profile-string rules: the value is trimmed, a matching pair of
 *    surrounding quotes is removed, an empty value counts as absent and at most 1023
 *    characters come back. GetRaw() gives the trimmed text as written, without limit.
 *  - Escape rules differ per section in the language files; Unescape() applies them.
 *
 *     std::string error;
 *     const i18n::IniFile ini = i18n::IniFile::Load(path, &error);  // empty when unreadable
 *     const int version = ini.GetInt("Gerneral", "version", 0);
 *     for (const std::string& key : ini.Keys("LANGUAGE")) ...
 *
 * An IniFile is immutable after loading and may be read from any number of threads.
 */
#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace i18n {

/** How backslash sequences in a value are read. */
enum class Escapes {
    None,            ///< the value is used as written
    LineBreaks,      ///< "\n" becomes a line break (dialog texts)
    LineBreaksTabs,  ///< "\n" becomes a line break and "\t" a tab (strings)
};

/** Applies the escape rule to text; other backslashes stay as they are. */
std::string Unescape(std::string_view text, Escapes rule);

/**
 * @brief Turns the bytes of a text file into UTF-8: a byte-order mark selects UTF-8 or
 * UTF-16 (LE or BE); without one the bytes are UTF-8, and any byte that does not belong to
 * a valid UTF-8 sequence is read as Windows-1252. Line ends are left alone.
 */
std::string DecodeText(std::string_view bytes);

/** At most maxChars Unicode characters of a UTF-8 string (never cuts a character). */
std::string_view CutChars(std::string_view utf8, std::size_t maxChars);

class IniFile {
public:
    /** Longest value Get() returns, in characters (the profile functions' 1024-character buffer). */
    static constexpr std::size_t kMaxValueChars = 1023;
    /** Files larger than this are refused: no language or settings file comes near it. */
    static constexpr std::size_t kMaxFileBytes = 64u << 20;

    IniFile() = default;

    /**
     * @brief Reads and parses a file. A missing, unreadable or oversized file gives an empty
     * IniFile (every lookup then yields its default, as the profile functions do) and, when
     * error is given, the reason. Malformed lines are skipped, never fatal.
     */
    static IniFile Load(const std::string& path, std::string* error = nullptr);
    /** Parses file content given as bytes (any of the encodings above). */
    static IniFile FromText(std::string_view bytes);

    /** True when Load found and read the file (even if it held nothing usable). */
    bool Loaded() const { return loaded_; }

    /** The value with the profile-string rules (see above); dflt when absent or empty. */
    std::string Get(std::string_view section, std::string_view key, std::string_view dflt = {},
                    std::size_t maxChars = kMaxValueChars) const;
    /** The value as written (trimmed, quotes kept, no length limit); nullptr when absent. */
    const std::string* GetRaw(std::string_view section, std::string_view key) const;
    /**
     * @brief The value as an integer, like the profile integer reader: optional blanks and
     * sign, then decimal digits up to the first other character (none: 0). dflt when the key is
     * absent or empty. Values beyond the 32-bit range are clamped.
     */
    int GetInt(std::string_view section, std::string_view key, int dflt = 0) const;

    bool HasSection(std::string_view section) const;
    /** Section names in file order, as first written (sections without keys are not listed). */
    std::vector<std::string> Sections() const;
    /** Key names of a section in file order, as first written. */
    std::vector<std::string> Keys(std::string_view section) const;

    /** A repeated key (ignored by lookups) or a line that is not a section, key or comment. */
    struct Problem {
        int line;
        std::string what;
    };
    /** What a careful reader of the file would want to fix; lookups ignore these lines. */
    const std::vector<Problem>& Problems() const { return problems_; }

private:
    struct Entry {
        std::string key;
        std::string value;
    };
    struct Section {
        std::string name;
        std::vector<Entry> entries;
        std::unordered_map<std::string, std::size_t> index;  // lower-case key -> entry
    };

    const Section* FindSection(std::string_view name) const;
    void Add(std::string section, std::string key, std::string value, int line);
    void Note(int line, std::string what);

    std::vector<Section> sections_;
    std::unordered_map<std::string, std::size_t> sectionIndex_;  // lower-case name -> section
    std::vector<Problem> problems_;
    bool loaded_ = false;

    friend struct IniParser;
};

}  // namespace i18n
