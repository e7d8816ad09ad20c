#pragma once
/**
 * @file Settings.h
 * @brief Typed preferences bound to a per-user store.
 *
 * A settings object (CSettings) moves each of its values to or from a storage in one
 * Exchange operation, by value name and type. A storage (CSettingsStorage) keeps values of
 * three stored kinds, as the system registry does: 32-bit words, text and binary blocks.
 * Every C++ type maps onto one of them:
 *  - bool, 8-, 16- and 32-bit integers: a 32-bit word (a value that does not fit when saving
 *    fails that exchange rather than being cut);
 *  - float (as a double), double, long double (as a double) and 64-bit integers: an 8-byte
 *    binary block;
 *  - std::string (UTF-8) and std::wstring (converted to and from UTF-8): text;
 *  - std::vector<std::uint8_t>: a binary block; a wide character buffer: text;
 *  - another CSettings object: a child storage named after the value, through its own
 *    Load or Save.
 * Reading a value that is missing or stored as another kind fails, and the settings object
 * decides what then happens (usually: keep the default).
 *
 * Lists are kept in a child storage named after the list: its "Count" and one entry per item,
 * either a value named "Item.<i>" or, for settings objects, a child storage named "<i>".
 *
 * Threads: settings objects and storages are used from one thread at a time.
 */
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <type_traits>
#include <variant>
#include <vector>

namespace settings {

class CSettingsStorage;

/** Base of every settings object. */
class CSettings {
public:
    virtual ~CSettings() = default;

    virtual void BeforeSave(bool /*opened*/) {}
    virtual void AfterSave(bool /*result*/) {}
    virtual void BeforeLoad(bool /*opened*/) {}
    virtual void AfterLoad(bool /*result*/) {}

    /**
     * @brief Moves every value to (save) or from the storage. With useDefaults the values take
     * their defaults and the storage is not touched. continueOnFailure says whether one value's
     * failure stops the exchange. Returns success.
     */
    virtual bool Exchange(bool continueOnFailure, CSettingsStorage& storage, bool save, bool useDefaults) = 0;

    /** Opens the storage for reading, exchanges, closes; the hooks run around it. */
    virtual bool Load(CSettingsStorage& storage);
    /** Opens the storage for writing, exchanges, closes; the hooks run around it. */
    virtual bool Save(CSettingsStorage& storage);
};

/** One stored value: a 32-bit word, text (UTF-8) or a binary block. */
using StoredValue = std::variant<std::uint32_t, std::string, std::vector<std::uint8_t>>;

/** Abstract storage of named, typed values. */
class CSettingsStorage {
public:
    virtual ~CSettingsStorage() = default;

    /** A storage for the named sub-key (a nested object or a list), sharing this one's file. */
    virtual std::unique_ptr<CSettingsStorage> CreateChild(const std::string& name) = 0;
    /** Whether an exchange goes on after one value failed. */
    virtual bool ContinueOnFailure() const = 0;
    virtual bool OpenForWriting() = 0;
    virtual bool CloseAfterWriting() = 0;
    virtual bool OpenForReading() = 0;
    virtual bool CloseAfterReading() = 0;

    /** Reads a stored value; false when it is missing. */
    virtual bool ReadValue(const std::string& name, StoredValue& value) = 0;
    /** Writes a value, replacing any value of that name and kind; false when it cannot be stored. */
    virtual bool WriteValue(const std::string& name, const StoredValue& value) = 0;
    /** Removes a value and any child storage of that name (stale list items). */
    virtual void RemoveValue(const std::string& name) = 0;

    // Typed exchanges: save = true writes value, false reads into it. A failed read leaves
    // value as it was.
    bool Exchange(const std::string& name, std::string& value, bool save);
    bool Exchange(const std::string& name, std::wstring& value, bool save);
    bool Exchange(const std::string& name, bool& value, bool save);
    bool Exchange(const std::string& name, std::uint8_t& value, bool save);
    bool Exchange(const std::string& name, std::int8_t& value, bool save);
    bool Exchange(const std::string& name, std::uint16_t& value, bool save);
    bool Exchange(const std::string& name, std::int16_t& value, bool save);
    bool Exchange(const std::string& name, std::uint32_t& value, bool save);
    bool Exchange(const std::string& name, std::int32_t& value, bool save);
    bool Exchange(const std::string& name, long& value, bool save);
    bool Exchange(const std::string& name, unsigned long& value, bool save);
    bool Exchange(const std::string& name, long long& value, bool save);
    bool Exchange(const std::string& name, unsigned long long& value, bool save);
    bool Exchange(const std::string& name, float& value, bool save);
    bool Exchange(const std::string& name, double& value, bool save);
    bool Exchange(const std::string& name, long double& value, bool save);
    bool Exchange(const std::string& name, std::vector<std::uint8_t>& value, bool save);
    /** A fixed wide character buffer, kept null-terminated (a longer stored text is cut). */
    bool Exchange(const std::string& name, std::span<wchar_t> buffer, bool save);
    /** A nested settings object, in the child storage named after the value. */
    bool Exchange(const std::string& name, CSettings& value, bool save);

    // Lists. Begin opens the list's child storage and exchanges its "Count" (reading refuses
    // an absurd count; writing first removes the items a longer earlier list left behind);
    // items go through ExchangeItem or ItemName; End closes the list.
    std::unique_ptr<CSettingsStorage> BeginReadList(const std::string& name, std::size_t& count);
    std::unique_ptr<CSettingsStorage> BeginWriteList(const std::string& name, std::size_t count);
    /** Item i as a settings object, in the list's child storage named "<i>". */
    static bool ExchangeItem(CSettingsStorage& list, std::size_t i, CSettings& item, bool save);
    bool EndReadList(std::unique_ptr<CSettingsStorage> list);
    bool EndWriteList(std::unique_ptr<CSettingsStorage> list);
    /** "Item.<i>", the value name of item i of a list of plain values. */
    static std::string ItemName(std::size_t i);

    /** Lists longer than this are refused when read: a damaged count must not exhaust memory. */
    static constexpr std::size_t kMaxListItems = 1u << 20;

private:
    template <class T>
    bool ExchangeInt(const std::string& name, T& value, bool save);
    bool ExchangeWord(const std::string& name, std::int64_t& value, std::int64_t min, std::int64_t max, bool save);
    bool ExchangeBlock8(const std::string& name, std::uint64_t& bits, bool save);
};

/**
 * @brief Exchanges the fields of a settings object one by one with the failure rule every
 * object shares: when a value fails and failures do not continue, the rest is skipped and the
 * result is failure; when loading, a failed value takes its default and loading goes on; when
 * saving, the result becomes failure and the next value is still written.
 *
 *     SettingsExchange x(continueOnFailure, storage, save);
 *     x.Field("language", language, std::string("auto"));
 *     return x.Result();
 */
class SettingsExchange {
public:
    SettingsExchange(bool continueOnFailure, CSettingsStorage& storage, bool save)
        : continue_(continueOnFailure), storage_(storage), save_(save)
    {
    }

    template <class T, class D>
    void Field(const std::string& name, T& value, const D& dflt)
    {
        if (stopped_) return;
        if (storage_.Exchange(name, value, save_)) return;
        if (!continue_) {
            stopped_ = true;
            ok_ = false;
        } else if (save_) {
            ok_ = false;
        } else {
            value = dflt;
        }
    }

    bool Result() const { return ok_; }

private:
    bool continue_;
    CSettingsStorage& storage_;
    bool save_;
    bool ok_ = true;
    bool stopped_ = false;
};

}  // namespace settings
