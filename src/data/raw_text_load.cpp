#include "raw_text_load.h"

#include "base/messages.h"

namespace quorva {

std::string hexRejectionText(const HexRejection& why)
{
    switch (why.problem) {
    case HexProblem::NoColon:
        return formatMessage(2104, why.line);
    case HexProblem::NoLineEnd:
        return formatMessage(2105, why.line);
    case HexProblem::BadRecord:
        return formatMessage(2107, why.line);
    case HexProblem::ChecksumRefused:
        return formatMessage(2108, why.line);
    case HexProblem::NoMemory:
        return messageText(2109);
    case HexProblem::NoEndRecord:
    case HexProblem::None:
        break;
    }
    return messageText(2106);
}

std::string rawTextMessage(int messageId, const RawTextLoad& load)
{
    return formatMessage(messageId, load.path.c_str(), hexRejectionText(load.why).c_str());
}

} // namespace quorva
