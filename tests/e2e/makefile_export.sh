#!/usr/bin/env bash
# A paper's Makefile regenerates a figure when its data change: the export
# dates the figure with the time of writing, so make sees it as new.
# Usage: makefile_export.sh VESK_BINARY EXAMPLES_DIR
set -euo pipefail
vesk=$1
examples=$2
fail() { echo "FAIL: $*" >&2; exit 1; }
command -v make >/dev/null || fail "make is missing"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config
cd "$work"
cp "$examples/vesk.dat" data.dat
printf 'fig.png: data.dat\n\t"%s" --export $@ $<\n' "$vesk" > Makefile

make -s
[ -f fig.png ] || fail "make wrote no figure"
# An earlier figure from long ago, and data edited since.
touch -d '2001-01-01 00:00' fig.png
sed -i 's/Peak/Top/' data.dat
make -s
[ fig.png -nt data.dat ] || fail "the regenerated figure is not newer than its data"
make -q || fail "make still says the figure is out of date"
echo "ok: the figure was rebuilt and dated"
