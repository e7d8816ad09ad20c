#include "i18n/IniFile.h"

#include "platform/Files.h"
#include "platform/Text.h"

#include <ini.h>

#include <algorithm>
#include <charconv>
#include <climits>

namespace i18n {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

std::string_view TrimLeft(std::string_view s)
{
    size_t b = 0;
    while (b < s.size() && IsBlank(s[b])) ++b;
    return s.substr(b);
}

void AppendUtf8(std::string& out, char32_t c) { platform::AppendUtf8(out, c); }

// Windows-1252 for 0x80..0x9F; the five unassigned bytes keep their C1 code points, as the
// system's own conversion does.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char32_t Cp1252(unsigned char b) { return (b >= 0x80 && b < 0xA0) ? kCp1252High[b - 0x80] : b; }

// Length of the valid UTF-8 sequence at s[i], or 0 when the byte does not start one.
size_t Utf8SequenceAt(std::string_view s, size_t i, char32_t& cp)
{
    const auto b = [&](size_t k) { return static_cast<unsigned char>(s[i + k]); };
    const unsigned char c = b(0);
    if (c < 0x80) {
        cp = c;
        return 1;
    }
    size_t n;
    char32_t min;
    if ((c & 0xE0) == 0xC0) {
        n = 2, cp = c & 0x1F, min = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
        n = 3, cp = c & 0x0F, min = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
        n = 4, cp = c & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (i + n > s.size()) return 0;
    for (size_t k = 1; k < n; ++k) {
        if ((b(k) & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (b(k) & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return n;
}

std::string DecodeUtf16(std::string_view bytes, bool bigEndian)
{
    std::string out;
    out.reserve(bytes.size());
    const size_t units = bytes.size() / 2;
    const auto unit = [&](size_t k) -> char32_t {
        const auto lo = static_cast<unsigned char>(bytes[2 * k + (bigEndian ? 1 : 0)]);
        const auto hi = static_cast<unsigned char>(bytes[2 * k + (bigEndian ? 0 : 1)]);
        return static_cast<char32_t>(hi << 8 | lo);
    };
    for (size_t k = 0; k < units; ++k) {
        const char32_t u = unit(k);
        if (u >= 0xD800 && u <= 0xDBFF && k + 1 < units && unit(k + 1) >= 0xDC00 && unit(k + 1) <= 0xDFFF) {
            AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (unit(k + 1) - 0xDC00));
            ++k;
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            AppendUtf8(out, 0xFFFD);  // a surrogate without its partner
        } else {
            AppendUtf8(out, u);
        }
    }
    return out;
}

}  // namespace

std::string DecodeText(std::string_view bytes)
{
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF && static_cast<unsigned char>(bytes[1]) == 0xFE)
        return DecodeUtf16(bytes.substr(2), false);
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFE && static_cast<unsigned char>(bytes[1]) == 0xFF)
        return DecodeUtf16(bytes.substr(2), true);
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);

    std::string out;
    out.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size();) {
        char32_t cp = 0;
        if (const size_t n = Utf8SequenceAt(bytes, i, cp)) {
            out.append(bytes.substr(i, n));
            i += n;
        } else {
            AppendUtf8(out, Cp1252(static_cast<unsigned char>(bytes[i])));
            ++i;
        }
    }
    return out;
}

std::string_view CutChars(std::string_view utf8, std::size_t maxChars)
{
    size_t chars = 0;
    for (size_t i = 0; i < utf8.size(); ++i) {
        if ((static_cast<unsigned char>(utf8[i]) & 0xC0) == 0x80) continue;
        if (chars == maxChars) return utf8.substr(0, i);
        ++chars;
    }
    return utf8;
}

std::string Unescape(std::string_view text, Escapes rule)
{
    if (rule == Escapes::None) return std::string(text);
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            if (text[i + 1] == 'n') {
                out += '\n';
                ++i;
                continue;
            }
            if (text[i + 1] == 't' && rule == Escapes::LineBreaksTabs) {
                out += '\t';
                ++i;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

// inih reads a stream of lines through a reader callback and reports every name/value pair
// to a handler. The packaged library is built with a 200-byte line buffer, ';' as an inline
// comment, ':' as a second separator and indented lines as continuations, none of which a
// profile file knows. So the reader never hands inih the text itself but a skeleton of the
// line that keeps only what inih is to decide on:
//  - a line whose first non-blank character is ';' is a comment: inih gets ";";
//  - a section line ("[" first, a "]" later) becomes "[\x03<n>\x03]": a reference to its
//    trimmed name in a table that lives as long as the parse, since inih hands the section
//    name to the handler with every later pair; what follows the "]" is ignored by both;
//  - any other line keeps its '=' characters and the blanks around the text between them;
//    each run of text becomes a reference "\x02<n>\x02" into a table for this line only
//    (inih calls the handler for a line before it reads the next one).
// inih then finds the section, splits at the first '=', trims name and value, and skips
// comments; the handler puts the text back. A skeleton can only outgrow inih's buffer on a
// line with dozens of '=' characters or long runs of blanks around them; such a line is
// reported and skipped.
struct IniParser {
    IniParser(IniFile& f, std::string_view t) : file(f), text(t) {}

    IniFile& file;
    std::string_view text;
    size_t pos = 0;
    int line = 0;
    std::vector<std::string> lineRefs;
    std::vector<std::string> sectionRefs;

    static constexpr char kLineRef = '\x02';
    static constexpr char kSectionRef = '\x03';

    void Problem(std::string what) { file.Note(line, std::move(what)); }

    static void AppendRef(std::string& out, char mark, size_t index)
    {
        out += mark;
        out += std::to_string(index);
        out += mark;
    }

    // The skeleton of a name/value line: blanks and separators stay, text runs become refs.
    std::string KeySkeleton(std::string_view s)
    {
        std::string out;
        size_t start = 0;
        for (;;) {
            const size_t sep = s.find('=', start);
            const std::string_view piece = s.substr(start, sep == std::string_view::npos ? std::string_view::npos : sep - start);
            size_t b = 0, e = piece.size();
            while (b < e && IsBlank(piece[b])) ++b;
            while (e > b && IsBlank(piece[e - 1])) --e;
            out.append(piece.substr(0, b));
            if (e > b) {
                AppendRef(out, kLineRef, lineRefs.size());
                lineRefs.emplace_back(piece.substr(b, e - b));
            }
            out.append(piece.substr(e));
            if (sep == std::string_view::npos) break;
            out += '=';
            start = sep + 1;
        }
        return out;
    }

    std::string Skeleton(std::string_view raw)
    {
        const std::string_view s = TrimLeft(raw);
        if (s.empty()) return {};
        if (s[0] == ';') return ";";
        if (s[0] == '[') {
            const size_t close = s.find(']');
            if (close == std::string_view::npos) {
                Problem("section name without ']' (line ignored)");
                return {};
            }
            std::string out = "[";
            AppendRef(out, kSectionRef, sectionRefs.size());
            sectionRefs.emplace_back(platform::Trim(s.substr(1, close - 1)));
            return out + "]";
        }
        if (s.find('=') == std::string_view::npos) {
            Problem("no '=' (line ignored)");
            return {};
        }
        return KeySkeleton(s);
    }

    static char* Reader(char* str, int num, void* stream)
    {
        auto& p = *static_cast<IniParser*>(stream);
        if (p.pos >= p.text.size()) return nullptr;
        size_t end = p.text.find_first_of("\r\n", p.pos);
        if (end == std::string_view::npos) end = p.text.size();
        const std::string_view raw = p.text.substr(p.pos, end - p.pos);
        p.pos = end;
        if (p.pos < p.text.size() && p.text[p.pos] == '\r') ++p.pos;  // CR, or the CR of CRLF
        if (p.pos < p.text.size() && p.text[p.pos] == '\n') ++p.pos;  // LF, or the LF of CRLF
        ++p.line;
        p.lineRefs.clear();

        std::string skeleton = p.Skeleton(raw);
        if (skeleton.size() + 2 > static_cast<size_t>(num)) {
            p.Problem("too many '=' characters (line ignored)");
            skeleton.clear();
        }
        skeleton += '\n';
        std::copy(skeleton.begin(), skeleton.end(), str);
        str[skeleton.size()] = '\0';
        return str;
    }

    // Puts the text back into a skeleton piece inih returned.
    std::string Expand(std::string_view s) const
    {
        std::string out;
        for (size_t i = 0; i < s.size(); ++i) {
            const char mark = s[i];
            if (mark != kLineRef && mark != kSectionRef) {
                out += s[i];
                continue;
            }
            const size_t close = s.find(mark, i + 1);
            if (close == std::string_view::npos) break;  // cannot happen: skeletons are ours
            size_t index = 0;
            std::from_chars(s.data() + i + 1, s.data() + close, index);
            const auto& table = mark == kLineRef ? lineRefs : sectionRefs;
            if (index < table.size()) out += table[index];
            i = close;
        }
        return out;
    }

    static int Handler(void* user, const char* section, const char* name, const char* value)
    {
        auto& p = *static_cast<IniParser*>(user);
        if (!name || !value) return 1;
        std::string key = p.Expand(name);
        if (key.empty()) {
            p.Problem("'=' without a key name (line ignored)");
            return 1;
        }
        p.file.Add(p.Expand(section), std::move(key), p.Expand(value), p.line);
        return 1;
    }
};

IniFile IniFile::FromText(std::string_view bytes)
{
    IniFile file;
    file.loaded_ = true;
    const std::string text = DecodeText(bytes);
    IniParser parser(file, text);
    ini_parse_stream(&IniParser::Reader, &parser, &IniParser::Handler, &parser);
    return file;
}

IniFile IniFile::Load(const std::string& path, std::string* error)
{
    std::string bytes;
    if (!platform::ReadFile(path, bytes, kMaxFileBytes, error)) return IniFile();
    return FromText(bytes);
}

void IniFile::Add(std::string section, std::string key, std::string value, int line)
{
    const std::string sectionKey = platform::ToLowerAscii(section);
    auto [it, newSection] = sectionIndex_.try_emplace(sectionKey, sections_.size());
    if (newSection) sections_.push_back(Section{std::move(section), {}, {}});
    Section& s = sections_[it->second];
    auto [k, newKey] = s.index.try_emplace(platform::ToLowerAscii(key), s.entries.size());
    if (!newKey) {
        Note(line, "key \"" + std::string(CutChars(key, 60)) + "\" of [" + std::string(CutChars(s.name, 60)) +
                       "] repeats an earlier line (ignored)");
        return;
    }
    s.entries.push_back(Entry{std::move(key), std::move(value)});
}

void IniFile::Note(int line, std::string what)
{
    // A garbage file has a problem on every line; the first ones tell the story.
    constexpr size_t kMaxProblems = 200;
    if (problems_.size() < kMaxProblems)
        problems_.push_back({line, std::move(what)});
    else if (problems_.size() == kMaxProblems)
        problems_.push_back({line, "more problems follow (not listed)"});
}

const IniFile::Section* IniFile::FindSection(std::string_view name) const
{
    const auto it = sectionIndex_.find(platform::ToLowerAscii(name));
    return it == sectionIndex_.end() ? nullptr : &sections_[it->second];
}

const std::string* IniFile::GetRaw(std::string_view section, std::string_view key) const
{
    const Section* s = FindSection(section);
    if (!s) return nullptr;
    const auto it = s->index.find(platform::ToLowerAscii(key));
    return it == s->index.end() ? nullptr : &s->entries[it->second].value;
}

std::string IniFile::Get(std::string_view section, std::string_view key, std::string_view dflt, std::size_t maxChars) const
{
    const std::string* raw = GetRaw(section, key);
    if (!raw) return std::string(dflt);
    std::string_view v = *raw;
    // A value written in quotes keeps its outer blanks; the quotes themselves are not part of it.
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) v = v.substr(1, v.size() - 2);
    if (v.empty()) return std::string(dflt);
    return std::string(CutChars(v, maxChars));
}

int IniFile::GetInt(std::string_view section, std::string_view key, int dflt) const
{
    const std::string v = Get(section, key);
    if (v.empty()) return dflt;
    std::string_view s = platform::Trim(v);
    bool negative = false;
    if (!s.empty() && (s[0] == '-' || s[0] == '+')) {
        negative = s[0] == '-';
        s.remove_prefix(1);
    }
    long long n = 0;
    for (char c : s) {
        if (c < '0' || c > '9') break;
        n = std::min<long long>(n * 10 + (c - '0'), 1LL << 32);
    }
    if (negative) n = -n;
    return static_cast<int>(std::clamp<long long>(n, INT_MIN, INT_MAX));
}

bool IniFile::HasSection(std::string_view section) const { return FindSection(section) != nullptr; }

std::vector<std::string> IniFile::Sections() const
{
    std::vector<std::string> names;
    names.reserve(sections_.size());
    for (const Section& s : sections_) names.push_back(s.name);
    return names;
}

std::vector<std::string> IniFile::Keys(std::string_view section) const
{
    std::vector<std::string> keys;
    if (const Section* s = FindSection(section))
        for (const Entry& e : s->entries) keys.push_back(e.key);
    return keys;
}

}  // namespace i18n
