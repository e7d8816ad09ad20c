#include "i18n/LanguageManager.h"

#include "i18n/BuiltinStrings.h"
#include "i18n/UiIds.h"

#include "engine/ImageIO.h"
#include "platform/Folders.h"
#include "platform/Text.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <filesystem>

using engine::LoadPicture;

namespace i18n {
namespace {

constexpr std::string_view kLookupFile = "language_lookup.ini";
constexpr std::string_view kDefaultHelpPage = "Grimaze Help.html";
// Widths beyond this are a typo or an attack, never a layout.
constexpr int kMaxFormatWidth = 256;

struct Conversion {
    bool valid = false;
    bool left = false, zero = false;
    int width = 0;
    char kind = 0;  // s d i u x X c
    size_t end = 0; // index after the conversion
};

// Reads the conversion that starts with the '%' at pattern[i] (not "%%").
Conversion ReadConversion(std::string_view pattern, size_t i)
{
    Conversion c;
    size_t j = i + 1;
    for (; j < pattern.size() && (pattern[j] == '-' || pattern[j] == '0'); ++j) (pattern[j] == '-' ? c.left : c.zero) = true;
    for (; j < pattern.size() && pattern[j] >= '0' && pattern[j] <= '9'; ++j) {
        c.width = c.width * 10 + (pattern[j] - '0');
        if (c.width > kMaxFormatWidth) return c;
    }
    if (j >= pattern.size()) return c;
    c.kind = pattern[j];
    c.end = j + 1;
    c.valid = std::string_view("sdiuxXc").find(c.kind) != std::string_view::npos;
    return c;
}

void AppendCodePoint(std::string& out, unsigned long long v)
{
    const auto c = static_cast<char32_t>(v > 0x10FFFF ? 0xFFFD : v);
    platform::AppendUtf8(out, c);
}

std::string Hex(unsigned long long v, bool upper)
{
    const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    std::string s;
    do {
        s.insert(s.begin(), digits[v & 15]);
        v >>= 4;
    } while (v);
    return s;
}

// The names in a folder; none when it cannot be read. Never throws: a folder that changes
// while it is read ends the listing early.
std::vector<std::string> FolderEntries(const std::string& folder)
{
    std::vector<std::string> names;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        names.push_back(it->path().filename().string());
    return names;
}

}  // namespace

// Data files written on a case-insensitive system may name a file with other letter case
// than it has on disk; a name that climbs out of the folder is never followed.
std::string FindFileInFolder(const std::string& folder, std::string_view relative)
{
    const std::string rel = platform::NormalizePath(relative);
    if (rel.empty() || rel.front() == '/') return {};
    std::string path = folder;
    size_t start = 0;
    while (start <= rel.size()) {
        const size_t slash = rel.find('/', start);
        const std::string part = rel.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
        start = slash == std::string::npos ? rel.size() + 1 : slash + 1;
        if (part.empty() || part == ".") continue;
        if (part == "..") return {};
        std::string next = platform::JoinPath(path, part);
        std::error_code ec;
        if (!std::filesystem::exists(next, ec)) {
            next.clear();
            for (const std::string& name : FolderEntries(path)) {
                if (platform::EqualsNoCase(name, part)) {
                    next = platform::JoinPath(path, name);
                    break;
                }
            }
            if (next.empty()) return {};
        }
        path = std::move(next);
    }
    return platform::FileExists(path) ? path : std::string();
}

namespace {

bool IsPlainFileName(std::string_view name)
{
    return !name.empty() && name.find_first_of("/\\") == std::string_view::npos && name != "." && name != "..";
}

// "lang_" + three characters + ".ini", letter case aside.
bool IsLanguageFileName(std::string_view name)
{
    if (name.size() < 12 || !platform::EqualsNoCase(name.substr(0, 5), "lang_") || !platform::EndsWithNoCase(name, ".ini"))
        return false;
    const std::string_view middle = name.substr(5, name.size() - 9);
    size_t chars = 0;
    for (char c : middle)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++chars;
    return chars == 3 && middle.find('.') == std::string_view::npos;
}

cv::Mat ToBgra8(cv::Mat image)
{
    if (image.empty()) return image;
    if (image.depth() != CV_8U) image.convertTo(image, CV_8U, image.depth() == CV_16U ? 1.0 / 257.0 : 255.0);
    cv::Mat out;
    switch (image.channels()) {
    case 1: cv::cvtColor(image, out, cv::COLOR_GRAY2BGRA); break;
    case 3: cv::cvtColor(image, out, cv::COLOR_BGR2BGRA); break;
    case 4: out = image; break;
    default: break;  // the caller reads such a file again as colour
    }
    return out;
}

}  // namespace

std::optional<std::string> FormatText(std::string_view pattern, std::span<const FormatArg> args)
{
    std::string out;
    size_t next = 0;
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != '%') {
            out += pattern[i];
            continue;
        }
        if (i + 1 < pattern.size() && pattern[i + 1] == '%') {
            out += '%';
            ++i;
            continue;
        }
        const Conversion c = ReadConversion(pattern, i);
        if (!c.valid || next >= args.size()) return std::nullopt;
        const FormatArg& arg = args[next++];
        std::string body;
        if (c.kind == 's') {
            if (!std::holds_alternative<std::string_view>(arg)) return std::nullopt;
            body = std::get<std::string_view>(arg);
        } else {
            if (!std::holds_alternative<long long>(arg)) return std::nullopt;
            const long long v = std::get<long long>(arg);
            if (c.kind == 'x' || c.kind == 'X')
                body = Hex(static_cast<unsigned long long>(v), c.kind == 'X');
            else if (c.kind == 'c')
                AppendCodePoint(body, static_cast<unsigned long long>(v));
            else
                body = std::to_string(v);
        }
        const size_t width = static_cast<size_t>(c.width);
        if (body.size() < width) {
            const size_t pad = width - body.size();
            if (c.left)
                body.append(pad, ' ');
            else if (c.zero && c.kind != 's' && c.kind != 'c')
                body.insert(body[0] == '-' ? 1 : 0, pad, '0');
            else
                body.insert(0, pad, ' ');
        }
        out += body;
        i = c.end - 1;
    }
    if (next != args.size()) return std::nullopt;
    return out;
}

std::string PlaceholderKinds(std::string_view pattern)
{
    std::string kinds;
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != '%') continue;
        if (i + 1 < pattern.size() && pattern[i + 1] == '%') {
            ++i;
            continue;
        }
        const Conversion c = ReadConversion(pattern, i);
        if (!c.valid) {
            kinds += '?';
            if (!c.end) break;
            i = c.end - 1;
            continue;
        }
        kinds += c.kind == 's' ? 's' : 'd';
        i = c.end - 1;
    }
    return kinds;
}

std::string ChooseLanguageFile(const std::string& languageFolder, std::string_view language, bool automatic,
                               int systemLanguageId)
{
    std::string current(language);
    if (automatic || language == "auto") {
        const IniFile lookup = IniFile::Load(platform::JoinPath(languageFolder, kLookupFile));
        // The lookup value is read into a shorter buffer than other values.
        current = lookup.Get("LANGUAGE", FormatLanguageId(systemLanguageId), "", 1020);
    }
    // A stored or looked-up name must stay a file of the language folder.
    if (!IsPlainFileName(current) || FindFileInFolder(languageFolder, current).empty())
        current = LanguageManager::kDefaultFile;
    return current;
}

std::string HelpFileFor(const std::string& helpFolder, std::string_view languageFile)
{
    std::string title(platform::FileName(platform::NormalizePath(languageFile)));
    if (const size_t dot = title.rfind('.'); dot != std::string::npos) title.erase(dot);
    if (!title.empty()) {
        const std::string page = platform::JoinPath(helpFolder, title + ".html");
        if (platform::FileExists(page)) return page;
    }
    return platform::JoinPath(helpFolder, kDefaultHelpPage);
}

LanguageManager::LanguageManager(std::string programFolder)
    : programFolder_(std::move(programFolder)),
      languageFolder_(platform::JoinPath(programFolder_, "lang")),
      helpFolder_(platform::JoinPath(programFolder_, "Help")),
      current_(std::make_shared<IniFile>())
{
}

void LanguageManager::Choose(std::string& language, bool automatic, int systemLanguageId)
{
    language = ChooseLanguageFile(languageFolder_, language, automatic, systemLanguageId);
    const std::string path = FindFileInFolder(languageFolder_, language);
    // A missing "lang_eng.ini" is not fatal: the built-in texts remain.
    auto file = std::make_shared<const IniFile>(path.empty() ? IniFile() : IniFile::Load(path));
    std::lock_guard lock(mutex_);
    currentName_ = language;
    current_ = std::move(file);
}

bool LanguageManager::Use(const std::string& nameOrPath, std::string* error)
{
    const bool isPath = nameOrPath.find('/') != std::string::npos;
    const std::string path = isPath ? nameOrPath : FindFileInFolder(languageFolder_, nameOrPath);
    if (path.empty()) {
        if (error) *error = "no language file \"" + nameOrPath + "\" in " + languageFolder_;
        return false;
    }
    std::string why;
    auto file = std::make_shared<const IniFile>(IniFile::Load(path, &why));
    if (!file->Loaded()) {
        if (error) *error = why;
        return false;
    }
    std::lock_guard lock(mutex_);
    currentName_ = platform::FileName(path);
    current_ = std::move(file);
    return true;
}

std::string LanguageManager::CurrentFile() const
{
    std::lock_guard lock(mutex_);
    return currentName_;
}

std::shared_ptr<const IniFile> LanguageManager::Current() const
{
    std::lock_guard lock(mutex_);
    return current_;
}

std::string LanguageManager::LoadString(int id) const
{
    const std::string v = Current()->Get("STRING", std::to_string(id));
    if (v.empty()) return std::string(BuiltinText(id));
    return Unescape(v, Escapes::LineBreaksTabs);
}

std::string LanguageManager::FormatString(int id, std::initializer_list<FormatArg> args) const
{
    std::string text = LoadString(id);
    const std::string_view builtin = BuiltinText(id);
    if (!builtin.empty() && PlaceholderKinds(text) != PlaceholderKinds(builtin)) text = builtin;
    if (auto formatted = FormatText(text, std::span(args.begin(), args.size()))) return *formatted;
    // The caller's arguments do not fit the program's own text: show it rather than guess.
    return text;
}

std::string LanguageManager::TranslatePhrase(std::string_view phrase) const
{
    return Current()->Get("DICTIONARY", phrase, phrase);
}

void LanguageManager::TranslateWindow(TranslatableWindow& window, int dialog) const
{
    const auto file = Current();
    const std::string section = "DIALOG_IDD_" + std::to_string(dialog);
    for (int id : window.ControlIds()) {
        const std::string v = file->Get(section, std::to_string(id));
        if (!v.empty()) window.SetControlText(id, Unescape(v, Escapes::LineBreaks));
    }
    const std::string title = file->Get(section, "title");
    if (!title.empty()) window.SetTitle(Unescape(title, Escapes::LineBreaks));
}

void LanguageManager::TranslateMenu(TranslatableMenu& menu, bool mainWindowMenu) const
{
    const auto file = Current();
    const int count = menu.ItemCount();
    for (int pos = 0; pos < count; ++pos) {
        const int id = menu.ItemId(pos);
        std::string v;
        if (id >= 1)
            v = file->Get("MENU", std::to_string(id));
        else if (id < 0 && mainWindowMenu)
            v = file->Get("MENU", "item_" + std::to_string(pos + 1));
        if (!v.empty()) menu.SetItemText(pos, v);
    }
    for (int pos = 0; pos < count; ++pos)
        if (TranslatableMenu* sub = menu.SubMenu(pos)) TranslateMenu(*sub, false);
}

std::string LanguageManager::ResolvePicture(std::string_view section, int number) const
{
    const std::string name = Current()->Get(section, std::to_string(number));
    return name.empty() ? std::string() : FindFileInFolder(languageFolder_, name);
}

std::string LanguageManager::BitmapFile(int number) const { return ResolvePicture("BITMAP", number); }

std::string LanguageManager::ImageFile(int number) const
{
    return number == -1 ? std::string() : ResolvePicture("IMAGE", number);
}

cv::Mat LanguageManager::LoadBitmap(int number) const
{
    if (const std::string path = BitmapFile(number); !path.empty()) {
        cv::Mat image = LoadPicture(path);
        if (!image.empty()) return image;
    }
    std::function<cv::Mat(int)> builtin;
    {
        std::lock_guard lock(mutex_);
        builtin = builtinBitmaps_;
    }
    return builtin ? builtin(number) : cv::Mat();
}

cv::Mat LanguageManager::LoadImage(int number) const
{
    const std::string path = ImageFile(number);
    if (path.empty()) return {};
    return ToBgra8(LoadPicture(path, true));
}

void LanguageManager::SetBuiltinBitmaps(std::function<cv::Mat(int)> provider)
{
    std::lock_guard lock(mutex_);
    builtinBitmaps_ = std::move(provider);
}

std::vector<LanguageEntry> LanguageManager::LanguageTable() const
{
    std::vector<std::string> names;
    for (const std::string& name : FolderEntries(languageFolder_))
        if (IsLanguageFileName(name) && platform::FileExists(platform::JoinPath(languageFolder_, name))) names.push_back(name);
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return platform::ToLowerAscii(a) < platform::ToLowerAscii(b); });

    std::vector<LanguageEntry> table;
    for (const std::string& name : names) {
        if (table.size() >= kMaxLanguages) break;
        const std::string lower = platform::ToLowerAscii(name);
        if (!table.empty() && table.back().fileName == lower) continue;  // the same file name twice, letter case aside
        const IniFile file = IniFile::Load(platform::JoinPath(languageFolder_, name));
        std::string display = file.Get("General", "Language");
        if (display.empty()) continue;
        table.push_back(LanguageEntry{ui::cmd::FirstLanguage + static_cast<int>(table.size()), lower, std::move(display),
                                      HelpFileFor(helpFolder_, lower)});
    }
    return table;
}

std::string LanguageManager::HelpFile() const { return HelpFileFor(helpFolder_, CurrentFile()); }

void LanguageMenu::Build(const LanguageManager& manager, std::string_view language, bool automatic)
{
    entries_ = manager.LanguageTable();
    checked_ = -1;
    if (automatic) return;
    for (size_t i = 0; i < entries_.size(); ++i) {
        if (platform::EqualsNoCase(entries_[i].fileName, language)) {
            checked_ = static_cast<int>(i);
            break;
        }
    }
}

int LanguageMenu::CheckedCommand(bool automatic) const
{
    if (automatic) return ui::cmd::LanguageAuto;
    return checked_ >= 0 ? entries_[static_cast<size_t>(checked_)].command : 0;
}

LanguageMenu::Action LanguageMenu::OnCommand(int command, LanguageManager& manager, std::string& language,
                                             bool& automatic, int systemLanguageId)
{
    if (command == ui::cmd::LanguageAuto) {
        automatic = true;
        manager.Choose(language, true, systemLanguageId);
        return Action::AutoSelected;
    }
    const int index = command - ui::cmd::FirstLanguage;
    if (index < 0 || static_cast<size_t>(index) >= entries_.size()) return Action::None;
    checked_ = index;
    automatic = false;
    language = entries_[static_cast<size_t>(index)].fileName;
    manager.Choose(language, false, systemLanguageId);
    return Action::LanguageSelected;
}

LanguageManager& Languages()
{
    static LanguageManager manager(platform::ProgramFolder());
    return manager;
}

}  // namespace i18n
