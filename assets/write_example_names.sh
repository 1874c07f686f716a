#!/usr/bin/env bash
# Writes the example name file in GBK with CR LF between lines and no line
# break at the end (a final break would add an empty candidate).
# Usage: write_example_names.sh <UTF-8 list> <output file>
set -euo pipefail
iconv -f UTF-8 -t GBK "$1" | sed -e 's/$/\r/' | head -c -2 > "$2"
