#!/usr/bin/env bash
# Fuzzes every reader for MINUTES minutes each (make fuzz MINUTES=N,
# TARGETS="a b" for some of them only; two runs on different targets may
# share the machine).
#
# For each target in turn:
#   1. the fast build (preset fuzz: coverage feedback, no sanitizer, -O2 -g)
#      runs for the time given on a work corpus, build/fuzz/corpus-<name>,
#      seeded from the target's committed corpus, with the dictionary of its
#      format (fuzz/dict/); after a crash it starts again for the time left;
#   2. the ASan + UBSan build (preset asan) replays every input kept and every
#      crash file, the new ones and those already in fuzz/crashes/<name>/;
#   3. the inputs that add coverage are merged into the committed corpus
#      (-merge=1 keeps it small);
#   4. every crash, timeout or out-of-memory input goes to fuzz/crashes/<name>/.
#      A crash is a test case before it is fixed: the fuzz CTests of the asan
#      preset replay that folder with their corpus, so they fail until the
#      fault is fixed.
# A line per target (executions, edges, committed corpus, findings) is printed
# and kept in build/fuzz/summary.txt. The script exits 1 when there is a
# finding, 2 when a build fails.
set -uo pipefail
cd "$(dirname "$0")/.."

minutes=${MINUTES:-20}
wanted=${TARGETS:-}
fast=build/fuzz
check=build/asan
# An input that runs 10 s in the fast build is a hang. The sanitizer build,
# with its coverage feedback, runs the readers 10 to 20 times slower, so its
# replays allow 30 s, as the fuzz tests of make asan do.
options=(-timeout=10 -rss_limit_mb=2048)
checked=(-timeout=30 -rss_limit_mb=2048)

mkdir -p build
{
    flock 9
    cmake --preset fuzz >/dev/null && cmake --preset asan >/dev/null
} 9>build/.fuzz-build.lock || exit 2

declare -A seeds dicts
all=()
while read -r name corpus dict; do
    [ -n "$name" ] || continue
    all+=("$name")
    seeds[$name]=$corpus
    dicts[$name]=$dict
done <"$fast/fuzz-targets.txt"

if [ -n "$wanted" ]; then
    targets=()
    for t in $wanted; do
        if [ -z "${seeds[$t]+x}" ]; then
            echo "fuzz.sh: no fuzz target named $t (targets: ${all[*]})" >&2
            exit 2
        fi
        targets+=("$t")
    done
else
    targets=("${all[@]}")
fi

{
    flock 9
    cmake --build "$fast" --target "${targets[@]}" && cmake --build "$check" --target "${targets[@]}"
} 9>build/.fuzz-build.lock || exit 2

sha() { sha1sum "$1" | cut -d' ' -f1; }

status=0
for name in "${targets[@]}"; do
    seed=${seeds[$name]}
    dict=()
    [ -n "${dicts[$name]}" ] && dict=(-dict="fuzz/dict/${dicts[$name]}")
    work=$fast/corpus-$name
    found=$fast/findings-$name
    crashes=fuzz/crashes/$name
    mkdir -p "$work" "$seed"
    rm -rf "$found" && mkdir -p "$found"
    cp -n "$seed"/* "$work"/ 2>/dev/null

    # 1. Fast runs for the whole time, started again after a crash.
    log=$fast/log-$name.txt
    : >"$log"
    execs=0
    left=$((minutes * 60))
    runs=0
    while [ "$left" -gt 5 ] && [ "$runs" -lt 10 ]; do
        runs=$((runs + 1))
        start=$(date +%s)
        "$fast/fuzz/$name" -max_total_time="$left" "${dict[@]}" "${options[@]}" \
            -print_final_stats=1 -artifact_prefix="$found/" "$work" "$seed" >"$log.run" 2>&1
        rc=$?
        cat "$log.run" >>"$log"
        n=$(grep -o 'stat::number_of_executed_units: [0-9]*' "$log.run" | tail -1 | grep -o '[0-9]*$')
        if [ -z "$n" ]; then
            n=$(grep -o '^#[0-9]*' "$log.run" | tail -1 | tr -d '#')
        fi
        execs=$((execs + ${n:-0}))
        left=$((left - ($(date +%s) - start)))
        [ "$rc" -eq 0 ] && break
    done
    edges=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | grep -o '[0-9]*$')
    rm -f "$log.run"
    rm -f "$found"/slow-unit-*

    # 2. Replay under the sanitizers: each kept input, until none fails (an
    # input that fails is taken out of the corpus and becomes a finding).
    replay=$fast/replay-$name.txt
    : >"$replay"
    for round in $(seq 1 20); do
        rm -f "$found"/asan-*
        if "$check/fuzz/$name" -runs=0 "${checked[@]}" -artifact_prefix="$found/asan-" \
            "$work" >>"$replay" 2>&1; then
            break
        fi
        artifact=$(ls "$found"/asan-* 2>/dev/null | head -1)
        culprit=""
        if [ -n "$artifact" ]; then
            want=$(sha "$artifact")
            for f in "$work"/*; do
                if [ "$(sha "$f")" = "$want" ]; then
                    culprit=$f
                    break
                fi
            done
        fi
        if [ -z "$culprit" ]; then
            echo "fuzz.sh: $name: the sanitizer replay fails on an input it does not name" \
                "(see $replay)" >&2
            status=1
            break
        fi
        mv "$culprit" "$found/crash-$(basename "$culprit")"
        rm -f "$found"/asan-*
    done
    rm -f "$found"/asan-*

    # Every finding and every crash file already kept, one at a time.
    findings=0
    for f in "$found"/* "$crashes"/*; do
        [ -f "$f" ] || continue
        if "$check/fuzz/$name" "${checked[@]}" "$f" >"$f.log" 2>&1; then
            echo "$name: $(basename "$f") no longer fails under ASan + UBSan"
            rm -f "$f.log"
            continue
        fi
        findings=$((findings + 1))
        if [ "$(dirname "$f")" = "$found" ]; then
            mkdir -p "$crashes"
            cp "$f" "$crashes/"
        fi
        echo "$name: $(basename "$f") fails under ASan + UBSan:"
        grep -E 'ERROR|SUMMARY|runtime error|#[0-9]+ 0x|deadly signal|timeout|out-of-memory' \
            "$f.log" | head -30
        mv "$f.log" "$fast/finding-$name-$(basename "$f").txt"
    done
    [ "$findings" -gt 0 ] && status=1

    # 3. What adds coverage joins the committed corpus.
    "$fast/fuzz/$name" -merge=1 "${options[@]}" "$seed" "$work" >"$fast/merge-$name.txt" 2>&1
    added=$(grep -o 'MERGE-OUTER: [0-9]* new files' "$fast/merge-$name.txt" | grep -o '[0-9]*')

    files=$(find "$seed" -type f | wc -l)
    bytes=$(find "$seed" -type f -printf '%s\n' | awk '{s += $1} END {print s + 0}')
    line="$name: executions $execs, edges ${edges:-?}, corpus $files files $bytes bytes (+${added:-0} merged), findings $findings"
    echo "$line"
    {
        flock 9
        touch "$fast/summary.txt"
        grep -v "^$name: " "$fast/summary.txt" >"$fast/summary.txt.new"
        echo "$line" >>"$fast/summary.txt.new"
        mv "$fast/summary.txt.new" "$fast/summary.txt"
    } 9>"$fast/.summary.lock"
done
exit "$status"
