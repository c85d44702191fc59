#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Renders the PNG sizes of the program icon from its SVG (needs rsvg-convert: librsvg2-bin).
# The PNGs are committed, so building and packaging need no SVG renderer; run this after
# changing packaging/icons/hicolor/scalable/apps/quillbox.svg.
set -euo pipefail
icons=$(cd "$(dirname "$0")/../packaging/icons/hicolor" && pwd)
for size in 16 22 24 32 48 64 128 256; do
    mkdir -p "$icons/${size}x${size}/apps"
    rsvg-convert -w "$size" -h "$size" "$icons/scalable/apps/quillbox.svg" -o "$icons/${size}x${size}/apps/quillbox.png"
done
