#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Renders the hicolor PNG icons from galvetta.svg (ImageMagick); run it after
# changing the drawing and commit the results.
set -euo pipefail
cd "$(dirname "$0")"
for size in 48 64 128 256; do
  convert -background none -density 300 galvetta.svg -resize "${size}x${size}" -strip "png32:galvetta-$size.png"
done
