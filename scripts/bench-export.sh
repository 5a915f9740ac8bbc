#!/usr/bin/env bash
# Times the whole export process, start to PNG written, for the worked example
# and for the heaviest data file (401 sets of 8 markers with a rotated label
# each, up to 32,767 characters), side by side with gnuplot plotting the same
# points and labels to a 720 x 478 PNG with its pngcairo terminal.
# Goal: vesk takes at most half of gnuplot's time.
# The batch case draws 100 graphs of the largest example file in one process
# each side: vesk --export-dir with 100 data files, and one gnuplot script
# with 100 plots (goal: at most half of gnuplot's time here too). Then the 3.3-million-point
# file (100 random-walk lines of 32,767 points, about 84 MB, written by
# vesk_datagen) against gnuplot drawing the same lines; goal: at most 0.1x.
#
# Usage: scripts/bench-export.sh [VESK_BINARY [DATAGEN_BINARY]]
# (defaults build/release/app/vesk, as make run builds it, and
# build/bench/bench/vesk_datagen, as make bench builds it; without a
# generator the big case is left out). RUNS_BIG runs of it (default 3).
# Needs gnuplot (Debian: gnuplot-nox) for the comparison only; uses hyperfine
# when installed, else a loop of RUNS runs (default 30).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
vesk=${1:-$here/build/release/app/vesk}
[ -x "$vesk" ] || { echo "no vesk binary at $vesk; build it: cmake -S . -B build/release && cmake --build build/release --target vesk" >&2; exit 2; }
command -v gnuplot >/dev/null || { echo "gnuplot is needed for the comparison (apt-get install gnuplot-nox)" >&2; exit 2; }
runs=${RUNS:-30}
runs_big=${RUNS_BIG:-3}
datagen=${2:-$here/build/bench/bench/vesk_datagen}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The user's own settings stay out of the measurement.
export XDG_CONFIG_HOME=$work/config
mkdir -p "$XDG_CONFIG_HOME"

# The worked example, and the same drawing for gnuplot: one line through three
# points, two triangles, one label at 30 degrees.
cp "$here/examples/vesk.dat" "$work/example.dat"
cat > "$work/example.pts" <<'EOF'
0 0 0
5 4.5 0
10 -2 0


2 1 8
8 1 8
EOF
cat > "$work/example.gp" <<EOF
set terminal pngcairo size 720,478
set output '$work/example-gnuplot.png'
set xrange [0:10]
set yrange [-5:5]
set xlabel 'Time (s)'
set ylabel 'Voltage (V)'
set label 'Peak' at 2,3 rotate by 30
plot '$work/example.pts' index 0 using 1:2 with lines lc rgb 'black' lw 2 notitle, \\
     '' index 1 using 1:2:3 with points pt variable lc rgb 'black' notitle
EOF

# The heaviest file, made as bench/refresh_bench.cpp makes it, with its gnuplot twin.
awk -v dat="$work/heaviest.dat" -v pts="$work/heaviest.pts" -v labels="$work/heaviest-labels.gp" 'BEGIN {
  split("1 2 3 4 5 6 8 13", styles, " ")
  split("0 30 45 60 90 270 135 330", angles, " ")
  # Vesk marker styles to gnuplot point types of a like shape.
  pt[1] = 2; pt[2] = 1; pt[3] = 8; pt[4] = 10; pt[5] = 4; pt[6] = 12; pt[8] = 6; pt[13] = 8
  text = "Distance (km)\r\nHeight (m)\r\n0 100 0 100\r\n"
  for (set = 0; set < 401; ++set) {
    style = styles[set % 8 + 1]
    block = "1 8 0 " style "\r\n"
    points = ""
    for (k = 0; k < 8; ++k) {
      x = (set * 7 + k * 13) % 100; y = (set * 3 + k * 11) % 100
      block = block x " " y " 0" (k < 7 ? " " : "")
      points = points x " " y " " pt[style] "\n"
    }
    lx = set % 90; ly = (set * 17) % 95; angle = angles[set % 8 + 1]
    block = block "\r\n" lx " " ly " 0 " angle " Set " set "\r\n"
    if (length(text) + length(block) > 32767) break
    text = text block
    printf "%s", points > pts
    printf "set label \"Set %d\" at %d,%d rotate by %d\n", set, lx, ly, angle > labels
  }
  printf "%s", text > dat
}'
cat > "$work/heaviest.gp" <<EOF
set terminal pngcairo size 720,478
set output '$work/heaviest-gnuplot.png'
set xrange [0:100]
set yrange [0:100]
set xlabel 'Distance (km)'
set ylabel 'Height (m)'
load '$work/heaviest-labels.gp'
plot '$work/heaviest.pts' using 1:2:3 with points pt variable lc rgb 'black' notitle
EOF
echo "heaviest file: $(wc -c < "$work/heaviest.dat") characters, $(wc -l < "$work/heaviest.pts") points" >&2

# Every command must work before it is timed.
for name in example heaviest; do
  "$vesk" --export "$work/$name-vesk.png" "$work/$name.dat"
  gnuplot "$work/$name.gp"
done

mean_ms() {  # command... -> mean wall time in ms over $runs runs, after 3 warm-up runs
  for _ in 1 2 3; do "$@" >/dev/null; done
  local start end
  start=$(date +%s%N)
  for _ in $(seq "$runs"); do "$@" >/dev/null; done
  end=$(date +%s%N)
  echo $(((end - start) / runs / 1000000))
}

# race NAME RUNS WARMUPS GOAL GNUPLOT_SCRIPT VESK_COMMAND...: vesk against gnuplot,
# through hyperfine where it is installed.
race() {
  local name=$1 n=$2 warmups=$3 goal=$4 script=$5 v g
  shift 5
  if command -v hyperfine >/dev/null; then
    hyperfine -N --warmup "$warmups" --runs "$n" -n "vesk $name" "$*" -n "gnuplot $name" "gnuplot $script"
  else
    v=$(runs=$n mean_ms "$@")
    g=$(runs=$n mean_ms gnuplot "$script")
    echo "vesk ${v} ms, gnuplot ${g} ms, ratio $(awk -v v="$v" -v g="$g" 'BEGIN { printf "%.2f", v / g }') (goal $goal)"
  fi
}

for name in example heaviest; do
  echo "== $name =="
  race "$name" "$runs" 3 "<= 0.5" "$work/$name.gp" "$vesk" --export "$work/$name-vesk.png" "$work/$name.dat"
done

# The batch: 100 copies of the largest example, one process each side.
largest=$(ls -S "$here"/examples/*.dat | head -1)
mkdir -p "$work/batch-in" "$work/batch-vesk" "$work/batch-gnuplot"
for i in $(seq -w 1 100); do cp "$largest" "$work/batch-in/graph$i.dat"; done
# Its gnuplot twin: the same limits, titles, markers and labels.
awk -v pts="$work/batch.pts" -v labels="$work/batch-labels.gp" '
  function q(t) { gsub(/\r/, "", t); gsub(/"/, "\\\"", t); return t }
  BEGIN { pt[1] = 2; pt[2] = 1; pt[3] = 8; pt[4] = 10; pt[5] = 4; pt[6] = 12; pt[8] = 6 }
  { sub(/\r$/, "") }
  NR == 1 { xt = q($0); next }
  NR == 2 { yt = q($0); next }
  NR == 3 { xmin = $1; xmax = $2; ymin = $3; ymax = $4; next }
  NR == 4 && length($0) > 16 { next }
  points > 0 { printf "%s %s %d\n", $1, $2, (style in pt ? pt[style] : 7) > pts; --points; next }
  nlabels > 0 {
    text = $0; for (i = 1; i <= 4; ++i) sub(/^[^ ]+ /, "", text)
    printf "set label \"%s\" at %s,%s rotate by %s\n", q(text), $1, $2, $4 > labels; --nlabels; next
  }
  NF == 1 { nlabels = $1; next }
  NF >= 4 { nlabels = $1; points = $2; style = $4; next }
  END {
    printf "set xrange [%s:%s]\nset yrange [%s:%s]\nset xlabel \"%s\"\nset ylabel \"%s\"\n", xmin, xmax, ymin, ymax, xt, yt > labels
  }' "$largest"
{
  echo "set terminal pngcairo size 720,478"
  echo "load '$work/batch-labels.gp'"
  for i in $(seq -w 1 100); do
    echo "set output '$work/batch-gnuplot/graph$i.png'"
    echo "plot '$work/batch.pts' using 1:2:3 with points pt variable lc rgb 'black' notitle"
  done
} > "$work/batch.gp"
vesk_batch=("$vesk" --export-dir "$work/batch-vesk" --format png "$work"/batch-in/*.dat)
"${vesk_batch[@]}"
gnuplot "$work/batch.gp"
[ "$(ls "$work/batch-vesk" | wc -l)" -eq 100 ] && [ "$(ls "$work/batch-gnuplot" | wc -l)" -eq 100 ] ||
  { echo "the batch did not write 100 files each side" >&2; exit 1; }
echo "== batch: 100 graphs of $(basename "$largest") =="
race batch $((runs < 10 ? runs : 10)) 1 "<= 0.5" "$work/batch.gp" "${vesk_batch[@]}"

# The 3.3-million-point file, with the same lines for gnuplot.
if [ -x "$datagen" ]; then
  "$datagen" "$work" walks >/dev/null
  "$datagen" "$work" walks --points >/dev/null
  cat > "$work/walks.gp" <<EOF
set terminal pngcairo size 720,478
set output '$work/walks-gnuplot.png'
set xrange [0:1000]
set yrange [-400:400]
set xlabel 'Distance (m)'
set ylabel 'Height (m)'
plot '$work/walks.pts' using 1:2 with lines lc rgb 'black' lw 2 notitle
EOF
  echo "walks file: $(wc -c < "$work/walks.dat") bytes, 3,276,700 points" >&2
  "$vesk" --export "$work/walks-vesk.png" "$work/walks.dat"
  gnuplot "$work/walks.gp"
  echo "== walks (3.3 million points; goal: vesk <= 0.1x gnuplot) =="
  race walks "$runs_big" 1 "<= 0.1" "$work/walks.gp" "$vesk" --export "$work/walks-vesk.png" "$work/walks.dat"
else
  echo "no vesk_datagen at $datagen: the 3.3-million-point case is left out (make bench builds it)" >&2
fi
