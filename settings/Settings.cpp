#include "settings/Settings.h"

#include "platform/Text.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace settings {

namespace {

void AppendUtf8(std::string& out, char32_t c) { platform::AppendUtf8(out, c); }

std::string ToUtf8(std::wstring_view w)
{
    std::string out;
    for (size_t i = 0; i < w.size(); ++i) {
        char32_t c = static_cast<char32_t>(w[i]);
        // wchar_t is 16 bits on some systems: join surrogate pairs there.
        if constexpr (sizeof(wchar_t) == 2) {
            if (c >= 0xD800 && c <= 0xDBFF && i + 1 < w.size()) {
                const auto lo = static_cast<char32_t>(w[i + 1]);
                if (lo >= 0xDC00 && lo <= 0xDFFF) {
                    c = 0x10000 + ((c - 0xD800) << 10) + (lo - 0xDC00);
                    ++i;
                }
            }
        }
        AppendUtf8(out, c);
    }
    return out;
}

std::wstring ToWide(std::string_view s)
{
    std::wstring out;
    for (size_t i = 0; i < s.size();) {
        const auto b0 = static_cast<unsigned char>(s[i]);
        size_t n = b0 < 0x80 ? 1 : (b0 & 0xE0) == 0xC0 ? 2 : (b0 & 0xF0) == 0xE0 ? 3 : (b0 & 0xF8) == 0xF0 ? 4 : 0;
        char32_t c = n == 1 ? b0 : n == 2 ? (b0 & 0x1F) : n == 3 ? (b0 & 0x0F) : (b0 & 0x07);
        bool ok = n > 0 && i + n <= s.size();
        for (size_t k = 1; ok && k < n; ++k) {
            const auto b = static_cast<unsigned char>(s[i + k]);
            ok = (b & 0xC0) == 0x80;
            c = (c << 6) | (b & 0x3F);
        }
        if (!ok) {
            c = 0xFFFD;
            n = 1;
        }
        if constexpr (sizeof(wchar_t) == 2) {
            if (c >= 0x10000) {
                out += static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10));
                out += static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
                i += n;
                continue;
            }
        }
        out += static_cast<wchar_t>(c);
        i += n;
    }
    return out;
}

}  // namespace

bool CSettings::Load(CSettingsStorage& storage)
{
    const bool opened = storage.OpenForReading();
    BeforeLoad(opened);
    bool result = false;
    if (opened) {
        result = Exchange(storage.ContinueOnFailure(), storage, false, false);
        result = storage.CloseAfterReading() && result;
    }
    AfterLoad(result);
    return result;
}

bool CSettings::Save(CSettingsStorage& storage)
{
    const bool opened = storage.OpenForWriting();
    BeforeSave(opened);
    bool result = false;
    if (opened) {
        result = Exchange(storage.ContinueOnFailure(), storage, true, false);
        result = storage.CloseAfterWriting() && result;
    }
    AfterSave(result);
    return result;
}

bool CSettingsStorage::ExchangeWord(const std::string& name, std::int64_t& value, std::int64_t min, std::int64_t max,
                                    bool save)
{
    if (save) {
        if (value < min || value > max) return false;
        return WriteValue(name, StoredValue(static_cast<std::uint32_t>(value)));
    }
    StoredValue stored;
    if (!ReadValue(name, stored) || !std::holds_alternative<std::uint32_t>(stored)) return false;
    const std::uint32_t word = std::get<std::uint32_t>(stored);
    // Signed kinds keep their sign in the word's top bit.
    const std::int64_t v = min < 0 ? static_cast<std::int64_t>(static_cast<std::int32_t>(word)) : static_cast<std::int64_t>(word);
    if (v < min || v > max) return false;  // a hand-written word too large for the field
    value = v;
    return true;
}

template <class T>
bool CSettingsStorage::ExchangeInt(const std::string& name, T& value, bool save)
{
    std::int64_t v = static_cast<std::int64_t>(value);
    if (!ExchangeWord(name, v, std::numeric_limits<T>::min(), std::numeric_limits<T>::max(), save)) return false;
    value = static_cast<T>(v);
    return true;
}

bool CSettingsStorage::ExchangeBlock8(const std::string& name, std::uint64_t& bits, bool save)
{
    if (save) {
        std::vector<std::uint8_t> block(8);
        for (int i = 0; i < 8; ++i) block[static_cast<size_t>(i)] = static_cast<std::uint8_t>(bits >> (8 * i));
        return WriteValue(name, StoredValue(std::move(block)));
    }
    StoredValue stored;
    if (!ReadValue(name, stored) || !std::holds_alternative<std::vector<std::uint8_t>>(stored)) return false;
    const auto& block = std::get<std::vector<std::uint8_t>>(stored);
    if (block.size() != 8) return false;
    std::uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = (v << 8) | block[static_cast<size_t>(i)];
    bits = v;
    return true;
}

bool CSettingsStorage::Exchange(const std::string& name, std::string& value, bool save)
{
    if (save) return WriteValue(name, StoredValue(value));
    StoredValue stored;
    if (!ReadValue(name, stored) || !std::holds_alternative<std::string>(stored)) return false;
    value = std::get<std::string>(std::move(stored));
    return true;
}

bool CSettingsStorage::Exchange(const std::string& name, std::wstring& value, bool save)
{
    std::string text = save ? ToUtf8(value) : std::string();
    if (!Exchange(name, text, save)) return false;
    if (!save) value = ToWide(text);
    return true;
}

bool CSettingsStorage::Exchange(const std::string& name, bool& value, bool save)
{
    std::int64_t v = value ? 1 : 0;
    if (!ExchangeWord(name, v, 0, std::numeric_limits<std::uint32_t>::max(), save)) return false;
    value = v != 0;
    return true;
}

bool CSettingsStorage::Exchange(const std::string& name, std::uint8_t& value, bool save)
{
    return ExchangeInt(name, value, save);
}
bool CSettingsStorage::Exchange(const std::string& name, std::int8_t& value, bool save)
{
    return ExchangeInt(name, value, save);
}
bool CSettingsStorage::Exchange(const std::string& name, std::uint16_t& value, bool save)
{
    return ExchangeInt(name, value, save);
}
bool CSettingsStorage::Exchange(const std::string& name, std::int16_t& value, bool save)
{
    return ExchangeInt(name, value, save);
}
bool CSettingsStorage::Exchange(const std::string& name, std::uint32_t& value, bool save)
{
    return ExchangeInt(name, value, save);
}
bool CSettingsStorage::Exchange(const std::string& name, std::int32_t& value, bool save)
{
    return ExchangeInt(name, value, save);
}

bool CSettingsStorage::Exchange(const std::string& name, long& value, bool save)
{
    if constexpr (sizeof(long) == 4) {
        return ExchangeInt(name, value, save);
    } else {
        auto bits = static_cast<std::uint64_t>(value);
        if (!ExchangeBlock8(name, bits, save)) return false;
        value = static_cast<long>(bits);
        return true;
    }
}

bool CSettingsStorage::Exchange(const std::string& name, unsigned long& value, bool save)
{
    if constexpr (sizeof(unsigned long) == 4) {
        return ExchangeInt(name, value, save);
    } else {
        auto bits = static_cast<std::uint64_t>(value);
        if (!ExchangeBlock8(name, bits, save)) return false;
        value = static_cast<unsigned long>(bits);
        return true;
    }
}

bool CSettingsStorage::Exchange(const std::string& name, long long& value, bool save)
{
    auto bits = static_cast<std::uint64_t>(value);
    if (!ExchangeBlock8(name, bits, save)) return false;
    value = static_cast<long long>(bits);
    return true;
}

bool CSettingsStorage::Exchange(const std::string& name, unsigned long long& value, bool save)
{
    auto bits = static_cast<std::uint64_t>(value);
    if (!ExchangeBlock8(name, bits, save)) return false;
    value = bits;
    return true;
}

bool CSettingsStorage::Exchange(const std::string& name, double& value, bool save)
{
    std::uint64_t bits;
    std::memcpy(&bits, &value, 8);
    if (!ExchangeBlock8(name, bits, save)) return false;
    std::memcpy(&value, &bits, 8);
    return true;
}

bool CSettingsStorage::Exchange(const std::string& name, float& value, bool save)
{
    double d = value;
    if (!Exchange(name, d, save)) return false;
    value = static_cast<float>(d);
    return true;
}

bool CSettingsStorage::Exchange(const std::string& name, long double& value, bool save)
{
    double d = static_cast<double>(value);
    if (!Exchange(name, d, save)) return false;
    value = d;
    return true;
}

bool CSettingsStorage::Exchange(const std::string& name, std::vector<std::uint8_t>& value, bool save)
{
    if (save) return WriteValue(name, StoredValue(value));
    StoredValue stored;
    if (!ReadValue(name, stored) || !std::holds_alternative<std::vector<std::uint8_t>>(stored)) return false;
    value = std::get<std::vector<std::uint8_t>>(std::move(stored));
    return true;
}

bool CSettingsStorage::Exchange(const std::string& name, std::span<wchar_t> buffer, bool save)
{
    if (buffer.empty()) return false;
    if (save) {
        size_t n = 0;
        while (n < buffer.size() && buffer[n]) ++n;
        std::wstring text(buffer.data(), n);
        return Exchange(name, text, true);
    }
    std::wstring text;
    if (!Exchange(name, text, false)) return false;
    const size_t n = std::min(text.size(), buffer.size() - 1);
    std::copy_n(text.begin(), n, buffer.begin());
    buffer[n] = L'\0';
    return true;
}

bool CSettingsStorage::Exchange(const std::string& name, CSettings& value, bool save)
{
    const std::unique_ptr<CSettingsStorage> child = CreateChild(name);
    if (!child) return false;
    return save ? value.Save(*child) : value.Load(*child);
}

std::unique_ptr<CSettingsStorage> CSettingsStorage::BeginReadList(const std::string& name, std::size_t& count)
{
    std::unique_ptr<CSettingsStorage> list = CreateChild(name);
    if (!list || !list->OpenForReading()) return nullptr;
    std::uint32_t n = 0;
    if (!list->Exchange("Count", n, false) || n > kMaxListItems) {
        list->CloseAfterReading();
        return nullptr;
    }
    count = n;
    return list;
}

std::unique_ptr<CSettingsStorage> CSettingsStorage::BeginWriteList(const std::string& name, std::size_t count)
{
    if (count > std::numeric_limits<std::uint32_t>::max()) return nullptr;
    std::unique_ptr<CSettingsStorage> list = CreateChild(name);
    if (!list || !list->OpenForWriting()) return nullptr;
    // Items a longer earlier list left behind would come back if the count were ever damaged;
    // remove them now, before the new items are written.
    std::uint32_t old = 0;
    StoredValue stored;
    if (list->ReadValue("Count", stored) && std::holds_alternative<std::uint32_t>(stored)) old = std::get<std::uint32_t>(stored);
    for (std::size_t i = count; i < std::min<std::size_t>(old, kMaxListItems); ++i) {
        list->RemoveValue(ItemName(i));
        list->RemoveValue(std::to_string(i));
    }
    std::uint32_t n = static_cast<std::uint32_t>(count);
    if (!list->Exchange("Count", n, true)) {
        list->CloseAfterWriting();
        return nullptr;
    }
    return list;
}

bool CSettingsStorage::ExchangeItem(CSettingsStorage& list, std::size_t i, CSettings& item, bool save)
{
    return list.Exchange(std::to_string(i), item, save);
}

bool CSettingsStorage::EndReadList(std::unique_ptr<CSettingsStorage> list) { return list && list->CloseAfterReading(); }

bool CSettingsStorage::EndWriteList(std::unique_ptr<CSettingsStorage> list)
{
    return list && list->CloseAfterWriting();
}

std::string CSettingsStorage::ItemName(std::size_t i) { return "Item." + std::to_string(i); }

}  // namespace settings
