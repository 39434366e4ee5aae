#!/usr/bin/env bash
# How smoothly the greeting fades in and how fast it answers a click, on a virtual display.
# Each run starts the program twice per build: once left alone, its fade followed step by step
# to the hand-over; once clicked at a moment that moves across the fade from run to run.
# After the hand-over the sign-in window is asked "are you there?" (_NET_WM_PING) every 10 ms for
# 1.5 s, while the page engine starts behind it.
# Prints, per build, the largest gap between two fade steps (X server time, ms), the number of
# steps seen, the latency from the click to the greeting's unmapping (ms), worst and median, and
# the slowest answer of the sign-in window (ms).
# Builds what it needs in build-rel (web engine) and build-light.
# Usage: tools/measure-greeting.sh [runs]
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-10}
cd "$root"

. tools/measure-lib.sh
build build-rel ON velanika velanika_pages xwait
build build-light OFF velanika
xwait=$root/build-rel/tools/xwait

work=$(mktemp -d)
app=
trap '[ -n "$app" ] && end_program "$app"; kill "$xvfb" 2>/dev/null; rm -rf "$work"' EXIT
start_display

results=$work/results # build kind value
: >"$results"

one() { # build runnable-folder [click-after]
    rm -rf "$work/t" && cp -r "$2" "$work/t"
    (cd "$work/t" && exec ./velanika) >/dev/null 2>&1 &
    app=$!
    "$xwait" fade "Приветствие" ${3:-} >"$work/fade"
    if [ -n "${3:-}" ]; then
        awk -v b="$1" '$1 == "click" {c = $2} $1 == "unmap" && c {printf "%s click %.1f\n", b, ($2 - c) * 1000}' \
            "$work/fade" >>"$results"
    else
        # Steps by the X server's clock, from the first change of opacity to the last.
        awk -v b="$1" '$1 == "step" && NF == 4 {if (p) {g = $4 - p; if (g > m) m = g}; p = $4; n++}
            END {printf "%s gap %d\n%s steps %d\n", b, m, b, n}' "$work/fade" >>"$results"
    fi
    "$xwait" ping "Авторизация" 1.5 | awk -v b="$1" '{print b, "ping", $1}' >>"$results"
    end_program "$app"
    app=
}

for run in $(seq "$runs"); do
    # The click moves across the whole fade, the start of it more densely.
    click=$(awk -v r="$run" -v n="$runs" 'BEGIN {x = (r - 0.5) / n; printf "%.3f", 0.02 + 2.3 * x * x}')
    for b in webengine light; do
        dir=build-rel/textbook
        [ $b = light ] && dir=build-light/textbook
        one $b $dir
        one $b $dir "$click"
    done
    echo "run $run of $runs done (click at ${click} s)" >&2
done

stat() { # build kind: max median
    awk -v b="$1" -v k="$2" '$1 == b && $2 == k {print $3}' "$results" | sort -g |
        awk '{v[NR] = $1} END {if (!NR) {print "- -"; exit} m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
             printf "%s %s\n", v[NR], m}'
}
printf "%-10s %15s %13s %15s %16s %15s\n" build "largest gap ms" "fewest steps" "click worst ms" "click median ms" \
    "sign-in worst ms"
for b in webengine light; do
    read -r gmax _ < <(stat $b gap)
    smin=$(awk -v b=$b '$1 == b && $2 == "steps" {print $3}' "$results" | sort -g | head -n1)
    read -r cmax cmed < <(stat $b click)
    read -r pmax _ < <(stat $b ping)
    printf "%-10s %15s %13s %15s %16s %15s\n" $b "$gmax" "${smin:--}" "$cmax" "$cmed" "$pmax"
done
echo "targets: no gap over 100 ms (a step every 50 ms, 49 changes of opacity seen), a click answered within 100 ms"
