// The ini file held in memory: read whole when created, written back only by UpdateFile.
#pragma once

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/rtl/Classes.h"

// Section and key names are found in any case (ASCII letters fold) and kept in file order; a new key ends
// its section. A line is trimmed; "[name]" opens a section, and in a section "key=value" gives the key
// (trimmed) and the value as it stands after the first '='. Blank lines, ';' comments and lines before the
// first section are dropped; other lines without '=' are kept for saving but hold no key. A section named
// twice goes on where it stopped.
class TMemIniFile {
public:
    // An empty name or a missing file gives an empty ini; a file that cannot be read raises EFOpenError.
    explicit TMemIniFile(const std::string& fileName);
    ~TMemIniFile();
    TMemIniFile(const TMemIniFile&) = delete;
    TMemIniFile& operator=(const TMemIniFile&) = delete;

    const std::string& FileName() const { return fileName_; }

    std::string ReadString(const std::string& section, const std::string& ident, const std::string& def) const;
    void WriteString(const std::string& section, const std::string& ident, const std::string& value);
    bool SectionExists(const std::string& section) const;
    bool ValueExists(const std::string& section, const std::string& ident) const;
    // The keys of the section, in file order.
    void ReadSection(const std::string& section, TStringList& keys) const;
    void ReadSections(TStringList& sections) const;
    void EraseSection(const std::string& section);
    void DeleteKey(const std::string& section, const std::string& ident);
    void Clear();

    // Every section as its "[name]" line followed by its lines, nothing between sections.
    void GetStrings(TStringList& lines) const;
    // Replaces the content by the lines, read as a file is.
    void SetStrings(const TStringList& lines);
    // Binds another file; with `reload` the content becomes that file's.
    void Rename(const std::string& fileName, bool reload);
    // Writes the file beside itself and renames it into place, so a failure leaves the old one whole. With
    // a backup name the old file, when there is one, is kept under it. Raises EWriteError with the cause;
    // the file and the backup are untouched then.
    void UpdateFile(const std::string& backupName = "") const;

private:
    struct Section;
    Section* Find(const std::string& section) const;
    Section& Add(const std::string& section);
    void Load();

    std::string fileName_;
    std::vector<std::unique_ptr<Section>> sections_;
    std::unordered_map<std::string, Section*> byName_;
};
