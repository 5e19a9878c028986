#include "state_files.h"

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace quorva::sim {

namespace fs = std::filesystem;

namespace {

bool writeFile(const fs::path& path, const std::string& bytes, std::string* error)
{
    // Write beside the target and rename, so a reader never sees half a file.
    const fs::path temporary = path.string() + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!out) {
            if (error)
                *error = "cannot write " + temporary.string();
            return false;
        }
    }
    std::error_code ec;
    fs::rename(temporary, path, ec);
    if (ec && error)
        *error = "cannot rename to " + path.string() + ": " + ec.message();
    return !ec;
}

bool readFile(const fs::path& path, std::string& bytes, std::string* error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (error)
            *error = "cannot read " + path.string();
        return false;
    }
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

// Just enough JSON for chip.json: objects, arrays of integers, strings.
class Reader {
public:
    explicit Reader(const std::string& text) : text_(text) {}

    bool parse(std::string& chipName, ChipState& state)
    {
        if (!expect('{'))
            return false;
        if (peek() == '}')
            return expect('}');
        do {
            std::string key;
            if (!string(key) || !expect(':'))
                return false;
            if (key == "chip") {
                if (!string(chipName))
                    return false;
            } else if (key == "values") {
                if (!values(state))
                    return false;
            } else {
                return false;
            }
        } while (accept(','));
        return expect('}');
    }

private:
    bool values(ChipState& state)
    {
        if (!expect('{'))
            return false;
        if (peek() == '}')
            return expect('}');
        do {
            std::string key;
            std::vector<int> list;
            if (!string(key) || !expect(':') || !expect('['))
                return false;
            if (peek() != ']') {
                do {
                    int value = 0;
                    if (!integer(value))
                        return false;
                    list.push_back(value);
                } while (accept(','));
            }
            if (!expect(']'))
                return false;
            state.values[key] = list;
        } while (accept(','));
        return expect('}');
    }

    char peek()
    {
        while (pos_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[pos_])))
            ++pos_;
        return pos_ < text_.size() ? text_[pos_] : '\0';
    }
    bool accept(char c)
    {
        if (peek() != c)
            return false;
        ++pos_;
        return true;
    }
    bool expect(char c) { return accept(c); }
    bool string(std::string& out)
    {
        if (!expect('"'))
            return false;
        while (pos_ < text_.size() && text_[pos_] != '"') {
            if (text_[pos_] == '\\' && pos_ + 1 < text_.size())
                ++pos_;
            out.push_back(text_[pos_++]);
        }
        return expect('"');
    }
    bool integer(int& value)
    {
        peek();
        const std::size_t start = pos_;
        if (pos_ < text_.size() && text_[pos_] == '-')
            ++pos_;
        while (pos_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[pos_])))
            ++pos_;
        if (pos_ == start)
            return false;
        value = std::stoi(text_.substr(start, pos_ - start));
        return true;
    }

    const std::string& text_;
    std::size_t pos_ = 0;
};

} // namespace

bool saveState(const std::string& folder, const std::string& chipName, const ChipState& state, std::string* error)
{
    std::error_code ec;
    fs::create_directories(folder, ec);
    std::ostringstream json;
    json << "{\n  \"chip\": \"" << chipName << "\",\n  \"values\": {";
    bool first = true;
    for (const auto& [key, list] : state.values) {
        json << (first ? "\n" : ",\n") << "    \"" << key << "\": [";
        for (std::size_t i = 0; i < list.size(); ++i)
            json << (i ? ", " : "") << list[i];
        json << "]";
        first = false;
    }
    json << "\n  }\n}\n";
    if (!writeFile(fs::path(folder) / "chip.json", json.str(), error))
        return false;
    for (const auto& [name, memory] : state.memories) {
        if (!writeFile(fs::path(folder) / (name + ".bin"), std::string(memory.begin(), memory.end()), error))
            return false;
    }
    return true;
}

bool loadState(const std::string& folder, std::string& chipName, ChipState& state, std::string* error)
{
    std::string json;
    if (!readFile(fs::path(folder) / "chip.json", json, error))
        return false;
    if (!Reader(json).parse(chipName, state)) {
        if (error)
            *error = "chip.json is not in the expected form";
        return false;
    }
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        if (entry.path().extension() != ".bin")
            continue;
        std::string bytes;
        if (!readFile(entry.path(), bytes, error))
            return false;
        state.memories[entry.path().stem().string()] = std::vector<std::uint8_t>(bytes.begin(), bytes.end());
    }
    return true;
}

} // namespace quorva::sim
