#include "settings/SettingsStorageIni.h"

#include "i18n/IniFile.h"
#include "platform/Files.h"
#include "platform/Folders.h"
#include "platform/Text.h"

#include <cerrno>
#include <sys/stat.h>

namespace settings {

namespace {

// A settings file is a few kilobytes; anything near this is not one we wrote.
constexpr std::size_t kMaxSettingsBytes = 16u << 20;

bool ValidValueName(std::string_view name)
{
    if (name.empty() || platform::Trim(name).size() != name.size()) return false;
    if (name.front() == ';' || name.front() == '[') return false;
    return name.find_first_of("=\r\n") == std::string_view::npos;
}

bool ValidChildName(std::string_view name)
{
    return !name.empty() && platform::Trim(name).size() == name.size() && name.find_first_of("[]\\\r\n") == std::string_view::npos;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Length of the valid UTF-8 sequence at s[i], 0 when there is none.
size_t Utf8Length(std::string_view s, size_t i)
{
    const auto c = static_cast<unsigned char>(s[i]);
    const size_t n = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
    if (n == 0 || i + n > s.size()) return 0;
    char32_t cp = n == 1 ? c : n == 2 ? (c & 0x1F) : n == 3 ? (c & 0x0F) : (c & 0x07);
    for (size_t k = 1; k < n; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (b & 0x3F);
    }
    static constexpr char32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kMin[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return n;
}

void AppendHexByte(std::string& out, unsigned char b)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    out += kDigits[b >> 4];
    out += kDigits[b & 15];
}

}  // namespace

struct CSettingsStorageIni::Document {
    struct Section {
        std::string name;
        std::vector<std::pair<std::string, std::string>> values;  // name, text form
    };

    std::string path;
    std::vector<Section> sections;
    int readers = 0, writers = 0;
    bool unreadable = false;  // the file exists but could not be read: never overwrite it
    std::string backup;       // the file as found, when parts of it could not be understood
    std::string error;

    Section* Find(std::string_view name, bool create)
    {
        for (Section& s : sections)
            if (platform::EqualsNoCase(s.name, name)) return &s;
        if (!create) return nullptr;
        sections.push_back(Section{std::string(name), {}});
        return &sections.back();
    }

    bool Reload()
    {
        sections.clear();
        backup.clear();
        unreadable = false;
        error.clear();
        struct stat st {};
        if (stat(path.c_str(), &st) != 0) {
            if (errno == ENOENT || errno == ENOTDIR) return true;  // first run: nothing stored yet
            unreadable = true;
            error = "cannot read " + path;
            return false;
        }
        std::string bytes;
        if (!platform::ReadFile(path, bytes, kMaxSettingsBytes, &error)) {
            unreadable = true;
            return false;
        }
        const i18n::IniFile ini = i18n::IniFile::FromText(bytes);
        if (!ini.Problems().empty()) backup = std::move(bytes);
        for (const std::string& name : ini.Sections()) {
            Section& s = *Find(name, true);
            for (const std::string& key : ini.Keys(name)) s.values.emplace_back(key, *ini.GetRaw(name, key));
        }
        return true;
    }

    std::string Serialise() const
    {
        std::string out = "; Grimaze settings. Each value keeps its kind: \"text\", dword:<hex digits>, hex:<bytes>.\n";
        for (const Section& s : sections) {
            if (s.values.empty()) continue;
            out += "\n[" + s.name + "]\n";
            for (const auto& [name, text] : s.values) out += name + "=" + text + "\n";
        }
        return out;
    }

    bool Write()
    {
        const std::string folder = platform::ParentFolder(path);
        if (!folder.empty() && !platform::MakeFolders(folder)) {
            error = "cannot create the folder " + folder;
            return false;
        }
        // Lines we could not understand may be someone's hand work: keep the file as it was.
        if (!backup.empty()) {
            if (!platform::WriteFileAtomically(path + ".bak", backup, &error)) return false;
            backup.clear();
        }
        return platform::WriteFileAtomically(path, Serialise(), &error);
    }
};

CSettingsStorageIni::CSettingsStorageIni(std::string path, std::string section)
    : doc_(std::make_shared<Document>()), section_(std::move(section))
{
    doc_->path = std::move(path);
}

CSettingsStorageIni::CSettingsStorageIni(std::shared_ptr<Document> doc, std::string section)
    : doc_(std::move(doc)), section_(std::move(section))
{
}

std::unique_ptr<CSettingsStorage> CSettingsStorageIni::CreateChild(const std::string& name)
{
    if (!ValidChildName(name)) return nullptr;
    return std::unique_ptr<CSettingsStorage>(new CSettingsStorageIni(doc_, section_ + "\\" + name));
}

bool CSettingsStorageIni::OpenForReading()
{
    if (doc_->readers == 0 && doc_->writers == 0 && !doc_->Reload()) return false;
    if (!doc_->Find(section_, false)) return false;  // like a registry key that does not exist
    ++doc_->readers;
    return true;
}

bool CSettingsStorageIni::CloseAfterReading()
{
    if (doc_->readers > 0) --doc_->readers;
    return true;
}

bool CSettingsStorageIni::OpenForWriting()
{
    // Read the file again first, so that whatever else it holds survives the write.
    if (doc_->readers == 0 && doc_->writers == 0 && !doc_->Reload()) return false;
    if (doc_->unreadable) return false;
    doc_->Find(section_, true);
    ++doc_->writers;
    return true;
}

bool CSettingsStorageIni::CloseAfterWriting()
{
    if (doc_->writers <= 0) return false;
    return --doc_->writers > 0 || doc_->Write();
}

bool CSettingsStorageIni::ReadValue(const std::string& name, StoredValue& value)
{
    const Document::Section* s = doc_->Find(section_, false);
    if (!s) return false;
    for (const auto& [key, text] : s->values)
        if (platform::EqualsNoCase(key, name)) return ParseValue(text, value);
    return false;
}

bool CSettingsStorageIni::WriteValue(const std::string& name, const StoredValue& value)
{
    if (!ValidValueName(name) || doc_->writers <= 0) return false;
    Document::Section* s = doc_->Find(section_, true);
    std::string text = FormatValue(value);
    for (auto& [key, old] : s->values) {
        if (platform::EqualsNoCase(key, name)) {
            old = std::move(text);
            return true;
        }
    }
    s->values.emplace_back(name, std::move(text));
    return true;
}

void CSettingsStorageIni::RemoveValue(const std::string& name)
{
    if (Document::Section* s = doc_->Find(section_, false))
        std::erase_if(s->values, [&](const auto& v) { return platform::EqualsNoCase(v.first, name); });
    const std::string child = section_ + "\\" + name;
    std::erase_if(doc_->sections, [&](const Document::Section& s) {
        return platform::EqualsNoCase(s.name, child) ||
               (s.name.size() > child.size() && platform::EqualsNoCase(s.name.substr(0, child.size() + 1), child + "\\"));
    });
}

std::string CSettingsStorageIni::LastError() const { return doc_->error; }

std::string CSettingsStorageIni::FormatValue(const StoredValue& value)
{
    if (const auto* word = std::get_if<std::uint32_t>(&value)) {
        std::string out = "dword:";
        for (int shift = 24; shift >= 0; shift -= 8) AppendHexByte(out, static_cast<unsigned char>(*word >> shift));
        return out;
    }
    if (const auto* block = std::get_if<std::vector<std::uint8_t>>(&value)) {
        std::string out = "hex:";
        for (size_t i = 0; i < block->size(); ++i) {
            if (i) out += ',';
            AppendHexByte(out, (*block)[i]);
        }
        return out;
    }
    const std::string& text = std::get<std::string>(value);
    std::string out = "\"";
    for (size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '"': out += "\\\""; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20 || c == 0x7F) {
                out += "\\x";
                AppendHexByte(out, c);
            } else if (const size_t n = Utf8Length(text, i); n > 1) {
                out.append(text, i, n);
                i += n;
                continue;
            } else if (n == 1) {
                out += static_cast<char>(c);
            } else {
                // Not UTF-8: written as an escape so that reading it back gives the same bytes.
                out += "\\x";
                AppendHexByte(out, c);
            }
        }
        ++i;
    }
    return out + "\"";
}

bool CSettingsStorageIni::ParseValue(std::string_view text, StoredValue& value)
{
    if (text.size() >= 6 && platform::EqualsNoCase(text.substr(0, 6), "dword:")) {
        const std::string_view digits = text.substr(6);
        if (digits.empty() || digits.size() > 8) return false;
        std::uint32_t v = 0;
        for (char c : digits) {
            const int d = HexDigit(c);
            if (d < 0) return false;
            v = v << 4 | static_cast<std::uint32_t>(d);
        }
        value = v;
        return true;
    }
    if (text.size() >= 4 && platform::EqualsNoCase(text.substr(0, 4), "hex:")) {
        std::vector<std::uint8_t> block;
        std::string_view rest = text.substr(4);
        while (!platform::Trim(rest).empty()) {
            const size_t comma = rest.find(',');
            const std::string_view byte = platform::Trim(rest.substr(0, comma));
            if (byte.empty() || byte.size() > 2) return false;
            int v = 0;
            for (char c : byte) {
                const int d = HexDigit(c);
                if (d < 0) return false;
                v = v * 16 + d;
            }
            block.push_back(static_cast<std::uint8_t>(v));
            if (comma == std::string_view::npos) break;
            rest = rest.substr(comma + 1);
            if (platform::Trim(rest).empty()) return false;  // a trailing comma
        }
        value = std::move(block);
        return true;
    }
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
        std::string out;
        const std::string_view body = text.substr(1, text.size() - 2);
        for (size_t i = 0; i < body.size(); ++i) {
            if (body[i] != '\\' || i + 1 == body.size()) {
                out += body[i];
                continue;
            }
            const char e = body[++i];
            if (e == 'n') out += '\n';
            else if (e == 'r') out += '\r';
            else if (e == 't') out += '\t';
            else if (e == 'x' && i + 2 < body.size() && HexDigit(body[i + 1]) >= 0 && HexDigit(body[i + 2]) >= 0) {
                out += static_cast<char>(HexDigit(body[i + 1]) * 16 + HexDigit(body[i + 2]));
                i += 2;
            } else if (e == '\\' || e == '"') out += e;
            else {
                out += '\\';  // not an escape we write: keep it as typed
                out += e;
            }
        }
        value = std::move(out);
        return true;
    }
    return false;  // not a kind we know: the reader falls back as for a missing value
}

}  // namespace settings
