#pragma once

// Tests that hold our output to a peer tool (avrdude, avr-objcopy, srec_cat)
// never vanish: where the tool is missing they are skipped with the reason,
// and under CI=true, where `make deps` has installed every such tool, they fail.

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace quorva::test {

// Why the test cannot run when no `tool` is on PATH (`package` is the Debian
// package that brings it); nothing when it is there.
std::optional<std::string> missingTool(const std::string& tool, const std::string& package);

// A CI run (CI=true, as CI services set it) may skip nothing for a missing tool.
bool continuousIntegration();

} // namespace quorva::test

// In a test body, before the tool's first use.
#define QUORVA_REQUIRE_TOOL(tool, package)                                                                             \
    do {                                                                                                               \
        if (const std::optional<std::string> quorvaMissing = ::quorva::test::missingTool(tool, package)) {             \
            if (::quorva::test::continuousIntegration())                                                               \
                FAIL() << *quorvaMissing << "; under CI=true every tool the Makefile installs must be there";          \
            GTEST_SKIP() << *quorvaMissing;                                                                            \
        }                                                                                                              \
    } while (false)
