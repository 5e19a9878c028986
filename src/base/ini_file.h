#pragma once

#include "ini_document.h"

#include <string>
#include <string_view>

namespace quorva {

// A profile file on disk. Reads look at the file as it is now; every write
// goes straight to the file, replacing it atomically. A missing or unreadable
// file reads as empty and is created by the first write.
class IniFile {
public:
    explicit IniFile(std::string path) : path_(std::move(path)) {}

    const std::string& path() const { return path_; }

    int getInt(std::string_view section, std::string_view key, int fallback) const;
    std::string getString(std::string_view section, std::string_view key, std::string_view fallback) const;
    IniDocument read() const;

    bool setInt(std::string_view section, std::string_view key, int value);
    bool setString(std::string_view section, std::string_view key, std::string_view value);

private:
    std::string path_;
};

// Many keys written together: the file is read once, edited in memory and
// replaced once by commit(). Nothing reaches the disk before commit().
class IniEdit {
public:
    explicit IniEdit(std::string path);

    IniDocument& document() { return document_; }
    void setInt(std::string_view section, std::string_view key, int value) { document_.setInt(section, key, value); }
    void setString(std::string_view section, std::string_view key, std::string_view value)
    {
        document_.setString(section, key, value);
    }
    bool commit();

private:
    std::string path_;
    IniDocument document_;
};

} // namespace quorva
