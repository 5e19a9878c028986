# Sourced by the test scripts, so that a test whose tool is missing never
# vanishes: it is skipped with the reason (ctest's SKIP_RETURN_CODE 77), and
# under CI=true, where `make deps` has installed every such tool, it fails.

# tool_missing REASON
tool_missing() {
  if [ "${CI:-}" = true ]; then
    echo "FAIL: $1; under CI=true every tool the Makefile installs must be there"
    exit 1
  fi
  echo "SKIPPED: $1"
  exit 77
}

# require_tool TOOL PACKAGE
require_tool() {
  command -v "$1" >/dev/null 2>&1 || tool_missing "$1 is not installed (Debian package $2)"
}

# require_installable_build STATE: the build's man pages (built,
# help2man-missing or instrumented) as CMake found its tools.
require_installable_build() {
  case $1 in
  instrumented)
    echo "SKIPPED: an instrumented build is not what a user installs; the plain build checks it"
    exit 77 ;;
  help2man-missing)
    tool_missing "help2man was not found when the build was configured, so it has no man pages (Debian package help2man)" ;;
  esac
}
