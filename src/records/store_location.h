#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quorva {

// Where production records are kept: an SQLite file, a PostgreSQL server
// (a postgresql:// URL or a libpq "service=NAME" string), or nowhere. The
// text may carry a password; it is only ever shown through masked().
class StoreLocation {
public:
    enum class Kind { Off, Sqlite, Postgres };

    static StoreLocation off() { return {Kind::Off, "off"}; }
    static StoreLocation sqlite(std::string path) { return {Kind::Sqlite, std::move(path)}; }
    // $XDG_DATA_HOME/quorva/production.sqlite, else ~/.local/share/quorva/production.sqlite.
    static StoreLocation defaultSqlite();
    // "off" (any case), a postgresql:// or postgres:// URL, a libpq
    // keyword=value string starting "service=", otherwise an SQLite file
    // path; empty text means the default file.
    static StoreLocation parse(std::string_view text);
    // The location of a run: the --records option when given, else none
    // when [Production] Records=0, else [Production] Database= when set,
    // else the default file.
    static StoreLocation choose(const std::optional<std::string>& option, bool recordsOn, const std::string& database);

    Kind kind() const { return kind_; }
    bool isOff() const { return kind_ == Kind::Off; }
    // The text to connect with; it may hold a password, so never show it.
    const std::string& text() const { return text_; }
    // The text with every password replaced by "***".
    std::string masked() const;
    // text with every password of this location (as written and decoded)
    // replaced by "***": for reasons that come from a database library.
    std::string scrub(std::string text) const;

private:
    StoreLocation(Kind kind, std::string text) : kind_(kind), text_(std::move(text)) {}

    Kind kind_;
    std::string text_;
};

} // namespace quorva
