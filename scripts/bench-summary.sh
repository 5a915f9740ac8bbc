#!/usr/bin/env bash
# Runs every benchmark program in a folder and prints one table: each figure
# with its goal beside it. Usage: scripts/bench-summary.sh BENCH_BUILD_DIR [VESK DATAGEN]
# With the vesk program and vesk_datagen it also measures the peak memory of
# `vesk --export` for the 84 MB file (/usr/bin/time, when installed).
set -euo pipefail
dir=${1:?usage: bench-summary.sh BENCH_BUILD_DIR [VESK DATAGEN]}
vesk=${2:-}
datagen=${3:-}
csv=$(mktemp)
work=$(mktemp -d)
trap 'rm -f "$csv"; rm -rf "$work"' EXIT
for bench in "$dir"/*_bench; do
  [ -x "$bench" ] || continue
  echo "running $(basename "$bench") ..." >&2
  "$bench" --benchmark_format=csv 2>/dev/null | grep -E '^"' >> "$csv"
done

# Peak resident memory of a whole export of the 84 MB file, as a row of its own.
if [ -n "$vesk" ] && [ -n "$datagen" ] && [ -x /usr/bin/time ]; then
  echo "measuring the peak memory of vesk --export ..." >&2
  walks=$("$datagen" "$work" walks)
  XDG_CONFIG_HOME=$work/config /usr/bin/time -v "$vesk" --export "$work/walks.png" "$walks" 2> "$work/time.txt" >/dev/null
  kb=$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$work/time.txt")
  echo "\"PeakMemoryExportWalks\",1,$kb,$kb,kB,," >> "$csv"
fi

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
    if ($5 == "kB") { mem[name] = $3 / 1024; order[++n] = name; next }
    t[name] = ms($3, $5); cpu[name] = ms($4, $5); order[++n] = name
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
      if (k in mem) {
        row(k, sprintf("%.1f MB", mem[k]), "<= 140 MB", verdict(mem[k] <= 140))
        continue
      }
      # Loads from disk by CPU time: on a shared machine the wall time mostly measures the others.
      if (k ~ /(Load|Floor)File\//) {
        f = k; sub(/LoadFile/, "FloorFile", f)
        if (k ~ /LoadFile/ && f in t) {
          r = cpu[k] / cpu[f]
          if (k ~ /\/walks/) { goal = sprintf("<= 1.3x floor (%.2fx)", r); ok = verdict(r <= 1.3) }
          else goal = sprintf("reported (%.2fx floor)", r)
        }
        row(k, sprintf("%.3f ms cpu", cpu[k]), goal, ok)
        continue
      }
      if (0) {
      } else if (k ~ /Load\/[0-9]+$/) {
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
        # The writer makes its file durable (fsync, then rename), so the bare
        # baseline that matches it syncs too; the one without is reported.
        b = k; sub(/^WriteJpegFile/, "BareCompressWriteAndSync", b)
        u = k; sub(/^WriteJpegFile/, "BareCompressAndWrite", u)
        if (b in t) { goal = sprintf("<= 1.1x bare tjCompress2 + fsync (%.2fx)", t[k] / t[b]); ok = verdict(t[k] <= 1.1 * t[b]) }
        if (u in t) goal = goal sprintf(", %.2fx unsynced", t[k] / t[u])
      }
      if (k ~ /^PointIndexBuild/) {
        goal = "once per load: < 1.5 s"; ok = verdict(t[k] < 1500)
      } else if (k ~ /^PointIndexNearest/) {
        goal = "per pointer move: < 0.1 ms"; ok = verdict(t[k] < 0.1)
      }
      row(k, sprintf("%.3f ms", t[k]), goal, ok)
    }
  }' "$csv"
