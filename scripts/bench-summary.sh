#!/usr/bin/env bash
# Runs every benchmark program in a folder and prints one table: each figure
# with its goal beside it. Usage: scripts/bench-summary.sh BENCH_BUILD_DIR
set -euo pipefail
dir=${1:?usage: bench-summary.sh BENCH_BUILD_DIR}
csv=$(mktemp)
trap 'rm -f "$csv"' EXIT
for bench in "$dir"/*_bench; do
  [ -x "$bench" ] || continue
  echo "running $(basename "$bench") ..." >&2
  "$bench" --benchmark_format=csv 2>/dev/null | grep -E '^"' >> "$csv"
done

awk -F, '
  function ms(t, unit) { return unit == "ns" ? t / 1e6 : unit == "us" ? t / 1e3 : unit == "s" ? t * 1e3 : t }
  {
    name = $1; gsub(/"/, "", name)
    # Repeated benchmarks report aggregates; keep the median and plain runs.
    if (name ~ /_(mean|stddev|cv)$/) next
    sub(/_median$/, "", name)
    # Google Benchmark names the run after its function and its settings.
    sub(/^BM_/, "", name)
    sub(/\/(repeats|iterations):[0-9]+$/, "", name)
    t[name] = ms($3, $5); order[++n] = name
    # The vector benchmarks report the size of their file as their first counter.
    if (name ~ /BigLines/) mb[name] = $11
  }
  function row(what, value, goal, ok) {
    printf "%-44s %12s   %-34s %s\n", what, value, goal, ok
  }
  function verdict(cond) { return cond ? "met" : "NOT MET" }
  END {
    printf "%-44s %12s   %-34s %s\n", "benchmark", "figure", "goal", ""
    for (i = 1; i <= n; ++i) {
      k = order[i]; goal = ""; ok = ""
      if (k ~ /Load\/[0-9]+$/) {
        f = k; sub(/Load/, "Floor", f)
        if (f in t) { goal = sprintf("<= 2x floor (%.2fx)", t[k] / t[f]); ok = verdict(t[k] <= 2 * t[f]) }
      } else if (k ~ /Refresh(HeaviestFile|LongLine)$/) {
        goal = "median < 4 ms"; ok = verdict(t[k] < 4)
      } else if (k ~ /Refresh.*Ratio2$/) {
        goal = "reported (ratio 2)"
      } else if (k ~ /^RefreshBigLines$/) {
        p = k "Plain"
        goal = "< 16 ms"; if (p in t) goal = goal sprintf(" (%.1fx faster than plain)", t[p] / t[k])
        ok = verdict(t[k] < 16)
      } else if (k ~ /^ReadBigLinesFloor$/) {
        goal = "reported (reading every point)"
      } else if (k ~ /^RefreshBigLinesPlain$/) {
        goal = "reported (every segment drawn)"
      } else if (k ~ /^DragMoveBigLines$/) {
        goal = "< 16 ms"; ok = verdict(t[k] < 16)
      } else if (k ~ /^(Zoom|Reset)BigLines$/) {
        goal = "< 50 ms"; ok = verdict(t[k] < 50)
      } else if (k ~ /^PdfBigLines$/) {
        goal = sprintf("file <= 5 MB (%.2f MB)", mb[k]); ok = verdict(mb[k] <= 5)
      } else if (k ~ /^SvgBigLines$/) {
        goal = sprintf("reported (%.2f MB)", mb[k])
      } else if (k ~ /^WriteJpegFile/) {
        b = k; sub(/^WriteJpegFile/, "BareCompressAndWrite", b)
        if (b in t) { goal = sprintf("<= 1.1x bare tjCompress2 (%.2fx)", t[k] / t[b]); ok = verdict(t[k] <= 1.1 * t[b]) }
      }
      row(k, sprintf("%.3f ms", t[k]), goal, ok)
    }
  }' "$csv"
