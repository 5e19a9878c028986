#!/usr/bin/env bash
# The records' JSON documents, nested objects and nulls included, are each one
# document as a parser reads them. Arguments: the program, a records file,
# the helper that writes rows into it.
set -euo pipefail
. "$(dirname "$0")/../support/require_tool.sh"
require_tool python3 python3
rm -f "$2"
"$3" "$2" 3
for args in records 'records --summary --by station' 'sequence line'; do
    # shellcheck disable=SC2086
    "$1" --settings /dev/null --records "$2" --json $args |
        python3 -c 'import json, sys; assert json.load(sys.stdin)'
done
