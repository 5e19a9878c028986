#pragma once

#include "base/ui.h"

namespace quorva {

// The wait cursor for the rest of a command; off() ends it early, before a
// closing box.
class ScopedWaitCursor {
public:
    explicit ScopedWaitCursor(Ui& ui) : ui_(ui) { ui_.setWaitCursor(true); }
    ~ScopedWaitCursor() { off(); }
    ScopedWaitCursor(const ScopedWaitCursor&) = delete;
    ScopedWaitCursor& operator=(const ScopedWaitCursor&) = delete;

    void off()
    {
        if (on_)
            ui_.setWaitCursor(false);
        on_ = false;
    }

private:
    Ui& ui_;
    bool on_ = true;
};

} // namespace quorva
