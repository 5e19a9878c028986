#pragma once

#include "data/hex_codec.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quorva::test {

// Answers the codec's question from a script and records what it was told.
class RecordingPrompts : public CodecPrompts {
public:
    std::vector<bool> answers; // for question 1021, in order; missing answers are No
    std::vector<int> errors;
    int questions = 0;

    void reportError(int messageId) override { errors.push_back(messageId); }
    bool acceptBadChecksum() override
    {
        const bool yes = questions < static_cast<int>(answers.size()) && answers[questions];
        ++questions;
        return yes;
    }
};

// The bytes of a text in a heap block of exactly their size, so a read past
// the end trips the address sanitizer.
inline std::vector<std::uint8_t> bytesOf(const std::string& text)
{
    return {text.begin(), text.end()};
}

inline std::string textOf(const std::vector<std::uint8_t>& bytes)
{
    return {bytes.begin(), bytes.end()};
}

// An image whose bytes differ from their neighbours and from 0xFF runs.
inline Image patternImage(std::size_t length, unsigned seed = 1)
{
    Image image(length);
    std::uint32_t state = seed * 2654435761u + 1;
    for (auto& byte : image) {
        state = state * 1664525u + 1013904223u;
        byte = static_cast<std::uint8_t>(state >> 24);
    }
    return image;
}

} // namespace quorva::test
