#!/usr/bin/env bash
# Makes the before/after example of the help page from the bundled sample:
#
#   release/make-example.sh <mirtane command> <sample photograph> [width]
#
# Restores the sample with the project's command-line tool (all trims at 0),
# then embeds the sample and the result, scaled to WIDTH pixels across, into
# release/MirtaneHelp.htm in place of whatever example it held. Needs g++,
# pkg-config and libvips (Debian package libvips-dev).
set -euo pipefail

if [[ $# -lt 2 || $# -gt 3 ]]; then
  echo "usage: $0 <mirtane command> <sample photograph> [width]" >&2
  exit 2
fi
mirtane=$1
sample=$2
width=${3:-360}
release_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$mirtane" restore "$sample" -o "$work/after.png"
# shellcheck disable=SC2046 # pkg-config prints several words on purpose
g++ -std=c++17 -O1 -o "$work/embed-example" "$release_dir/EmbedExample.cpp" $(pkg-config --cflags --libs vips-cpp)
"$work/embed-example" "$sample" "$work/after.png" "$release_dir/MirtaneHelp.htm" "$width"
echo "example embedded into $release_dir/MirtaneHelp.htm"
