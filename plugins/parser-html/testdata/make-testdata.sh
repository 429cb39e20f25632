#!/usr/bin/env bash
# Makes pandoc.html from pandoc-source.md with pandoc (a standalone HTML5 page with its style
# sheet, as the tool writes it). Run from this folder.
set -euo pipefail
pandoc --standalone --from markdown --to html5 --output pandoc.html pandoc-source.md
