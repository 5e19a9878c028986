#include "ini_file.h"

#include "atomic_file.h"

namespace quorva {

IniDocument IniFile::read() const
{
    const auto text = readWholeFile(path_);
    return text ? IniDocument::parse(*text) : IniDocument();
}

int IniFile::getInt(std::string_view section, std::string_view key, int fallback) const
{
    return read().getInt(section, key, fallback);
}

std::string IniFile::getString(std::string_view section, std::string_view key, std::string_view fallback) const
{
    return read().getString(section, key, fallback);
}

bool IniFile::setInt(std::string_view section, std::string_view key, int value)
{
    IniEdit edit(path_);
    edit.setInt(section, key, value);
    return edit.commit();
}

bool IniFile::setString(std::string_view section, std::string_view key, std::string_view value)
{
    IniEdit edit(path_);
    edit.setString(section, key, value);
    return edit.commit();
}

IniEdit::IniEdit(std::string path) : path_(std::move(path))
{
    if (const auto text = readWholeFile(path_))
        document_ = IniDocument::parse(*text);
}

bool IniEdit::commit()
{
    return writeFileAtomically(path_, document_.serialize());
}

} // namespace quorva
