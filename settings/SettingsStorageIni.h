#pragma once
/**
 * @file SettingsStorageIni.h
 * @brief The per-user store of settings: one INI file, one section per storage key.
 *
 * The file keeps each value's kind so that a value of the wrong kind is noticed on reading:
 *
 *     [Software\Kestrovo\Grimaze]
 *     language="lang_deu.ini"          ; text, in double quotes (\" \\ \n \r \t \xHH escapes)
 *     languageAuto=dword:00000000      ; 32-bit word, 1 to 8 hexadecimal digits
 *     zoom=hex:00,00,00,00,00,00,f0,3f ; binary block, bytes in hexadecimal
 *
 * A child storage is the section "<parent>\<name>". Sections and values the program does not
 * know are kept when the file is written again. Writing replaces the file atomically (a
 * temporary file renamed into place), so a crash leaves either the old file or the new one.
 * A file that exists but cannot be read is never overwritten; a file with lines that cannot be
 * understood is copied to "<file>.bak" before it is first overwritten.
 */
#include "settings/Settings.h"

#include <memory>
#include <string>

namespace settings {

class CSettingsStorageIni final : public CSettingsStorage {
public:
    /** A storage on section of the INI file at path. */
    CSettingsStorageIni(std::string path, std::string section);

    std::unique_ptr<CSettingsStorage> CreateChild(const std::string& name) override;
    bool ContinueOnFailure() const override { return true; }
    bool OpenForWriting() override;
    bool CloseAfterWriting() override;
    bool OpenForReading() override;
    bool CloseAfterReading() override;
    bool ReadValue(const std::string& name, StoredValue& value) override;
    bool WriteValue(const std::string& name, const StoredValue& value) override;
    void RemoveValue(const std::string& name) override;

    const std::string& Section() const { return section_; }
    /** Why the last open or close of this storage's file failed. */
    std::string LastError() const;

    /** The text form of a value in the file, and back (false: not a value of any known kind). */
    static std::string FormatValue(const StoredValue& value);
    static bool ParseValue(std::string_view text, StoredValue& value);

    struct Document;

private:
    CSettingsStorageIni(std::shared_ptr<Document> doc, std::string section);

    std::shared_ptr<Document> doc_;
    std::string section_;
};

}  // namespace settings
