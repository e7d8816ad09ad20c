#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Batch throughput: "grimaze-cli batch" at --jobs 1, 2 and 4 against ImageMagick's mogrify
# doing the nearest effect on the same photos, whole processes, wall time of one run each.
# Measure on a quiet machine and say how loaded it was (the script prints uptime first).
#   bench/batch_vs_mogrify.sh [photos] [size] [template] [mogrify operation...]
#   default: 200 photos of 1024x768, "Emboss" against -emboss 3
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${GRIMAZE_BUILD_DIR:-$root/build}
cli="$build/bin/grimaze-cli"
[ -x "$cli" ] || { echo "batch_vs_mogrify: build grimaze-cli first ($cli)" >&2; exit 1; }
command -v mogrify >/dev/null || { echo "batch_vs_mogrify: ImageMagick's mogrify is not installed" >&2; exit 1; }
count=${1:-200}
size=${2:-1024x768}
template=${3:-Emboss}
shift $(( $# > 3 ? 3 : $# ))
operation=("$@")
[ ${#operation[@]} -gt 0 ] || operation=(-emboss 3)

work=$(mktemp -d /tmp/grimaze-batchbench.XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/in"
# Different photos, so no cache favours either side: the three samples, cropped and turned.
samples=("$root"/media/Images/default/*.jpg)
for i in $(seq 1 "$count"); do
  s=${samples[$(( i % ${#samples[@]} ))]}
  convert "$s" -rotate $(( (i * 7) % 360 )) -gravity center -crop 80%x80%+0+0 +repage -resize "$size!" -quality 90 \
    "$work/in/photo$(printf %03d "$i").jpg"
done

seconds() {  # wall seconds of "$@"
  local start=$(date +%s%N)
  "$@" >/dev/null 2>&1 || { echo "failed: $*" >&2; exit 1; }
  awk -v ns=$(( $(date +%s%N) - start )) 'BEGIN { printf "%.2f", ns / 1e9 }'
}

echo "machine: $(nproc) processors; $(uptime)"
echo "$count photos of $size; Grimaze \"$template\" against mogrify ${operation[*]}"
rm -rf "$work/im" && cp -r "$work/in" "$work/im"
im=$(seconds mogrify -format png "${operation[@]}" "$work"/im/*.jpg)
printf '%-26s %8s %10s %8s\n' "run" "seconds" "photos/s" "vs IM"
printf '%-26s %8s %10.1f %8s\n' "mogrify" "$im" "$(awk -v s="$im" -v n="$count" 'BEGIN { print n / s }')" "1.0x"
for jobs in 1 2 4; do
  rm -rf "$work/out"
  gz=$(seconds "$cli" batch --quiet --template "$template" --out-dir "$work/out" --format png --jobs "$jobs" "$work/in")
  printf '%-26s %8s %10.1f %7.1fx\n' "grimaze-cli --jobs $jobs" "$gz" "$(awk -v s="$gz" -v n="$count" 'BEGIN { print n / s }')" \
    "$(awk -v a="$im" -v b="$gz" 'BEGIN { print a / b }')"
done
echo "after: $(uptime)"
