#!/usr/bin/env bash
# Renders the icons drawn in src/resources/*.svg to the PNGs the app compiles in.
# The PNGs are committed, so only someone who changes an SVG needs to run this.
set -euo pipefail
cd "$(dirname "$0")/../src/resources"

if ! command -v rsvg-convert >/dev/null; then
  "$(dirname "$0")/setup.sh" librsvg2-bin
fi

render() { # name size
  rsvg-convert --width "$2" --height "$2" --keep-aspect-ratio -o "$1.png" "$1.svg"
}

render logo 256        # application, window and title-bar logo (shown at 28 px)
render partition 32    # tree rows (shown at 16 px)
for icon in help help_hover menu menu_hover; do
  render "$icon" 48    # title-bar buttons (about 22 px inside a 30 px button)
done
for icon in edit delete; do
  render "$icon" 32    # row buttons of the create dialog's plan (shown at 16 px)
done
