#pragma once

#include "messages.h"

#include <span>

namespace quorva {

// The two halves of the catalogue, each in id order; messageCatalogue()
// joins them.
std::span<const MessageRecord> originalMessages();
std::span<const MessageRecord> addedMessages();

} // namespace quorva
