#!/usr/bin/env bash
# The whole stdout of `quorva-cli devices --json` is one JSON document, as a
# script reads it. Arguments: the program, a settings file for it.
set -euo pipefail
. "$(dirname "$0")/../support/require_tool.sh"
require_tool python3 python3
"$1" --settings "$2" devices --json | python3 -c 'import json, sys; json.load(sys.stdin)'
