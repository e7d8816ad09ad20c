#!/usr/bin/env bash
# Times whole-process ImageMagick against whole-process grimaze-cli on the same 12 MP photo:
# ImageMagick filters the full photo, Grimaze renders the 800 x 600 preview a user sees.
# Each command runs three times; the best wall time counts. Grimaze should be at least four
# times faster on every line.
#   bench/compare_imagemagick.sh [build folder]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-${GRIMAZE_BUILD_DIR:-$root/build}}
cli="$build/bin/grimaze-cli"
[ -x "$cli" ] || { echo "compare_imagemagick: build grimaze-cli first ($cli)" >&2; exit 1; }
command -v convert >/dev/null || { echo "compare_imagemagick: ImageMagick's convert is not installed" >&2; exit 1; }

work=$(mktemp -d /tmp/grimaze-compare.XXXXXX)
trap 'rm -rf "$work"' EXIT
photo="$work/photo12mp.jpg"
convert "$root/media/Images/default/Default2.jpg" -resize '4000x3000!' -quality 92 "$photo"

best_of_three() {  # prints the best wall time in nanoseconds of "$@"
  local best="" t start
  for _ in 1 2 3; do
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1 || { echo "failed: $*" >&2; echo 0; return; }
    t=$(( $(date +%s%N) - start ))
    if [ -z "$best" ] || [ "$t" -lt "$best" ]; then best=$t; fi
  done
  echo "$best"
}

printf '%-12s %-28s %10s %10s %8s %s\n' "effect" "ImageMagick" "IM s" "Grimaze s" "ratio" "verdict"
status=0
race() {  # label, template, ImageMagick operation...
  local label=$1 template=$2
  shift 2
  if ! "$cli" render --template "$template" --photo "$photo" --size 800x600 --out "$work/probe.png" >/dev/null 2>&1; then
    printf '%-12s %-28s %10s\n' "$label" "$*" "(template \"$template\" not available; skipped)"
    return
  fi
  local im gz
  im=$(best_of_three convert "$photo" "$@" "$work/im.jpg")
  gz=$(best_of_three "$cli" render --template "$template" --photo "$photo" --size 800x600 --out "$work/gz.png")
  awk -v l="$label" -v op="$*" -v im="$im" -v gz="$gz" 'BEGIN {
    r = gz > 0 ? im / gz : 0
    printf "%-12s %-28s %10.2f %10.2f %7.1fx %s\n", l, op, im / 1e9, gz / 1e9, r, (r >= 4 ? "ok" : "SLOWER THAN TARGET")
    exit (r >= 4 ? 0 : 1) }' || status=1
}

race "Emboss" "Emboss" -emboss 3
race "Sketch" "Sketch" -edge 2
race "Focus Blur" "Focus Blur" -blur 0x8
race "Ripple" "Ripple" -wave 20x200
race "Mosaic" "Mosaic" -scale 5% -scale 2000%
race "Oil Paint" "Oil Paint" -paint 5
exit $status
