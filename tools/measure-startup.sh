#!/usr/bin/env bash
# Start-up speed and memory of the textbook against two floors, side by side, on a virtual
# display. Subjects:
#   floor-widgets  the least Qt Widgets program with one window
#   floor-web      the least Qt WebEngine program showing one local page (chapter 3)
#   webengine      the textbook, pages by the web engine
#   light          the textbook built without the web engine
# Columns (medians over the runs, seconds from the program's start unless said otherwise):
#   greeting   the first window is mapped (for the floors: their window)
#   signin     the sign-in window is mapped after a click on the greeting
#   page       chapter 3 is painted (text on the page) after Enter at sign-in, in seconds from
#              the key press; for floor-web: from its start. Enter comes 0.3 s after the name
#              is typed, as after a short password: the reader has begun opening the page
#              remembered for the name by then
#   hwm        peak resident memory of the main process, MB, with the chapter open
#   pss        proportional memory of the process and all its helpers, MB, chapter open
# Builds what it needs in build-rel (web engine) and build-light.
# Usage: tools/measure-startup.sh [runs]
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-5}
cd "$root"

. tools/measure-lib.sh
build build-rel ON velanika velanika_pages velanika_desk floor_widgets floor_webengine xwait
build build-light OFF velanika velanika_desk
xwait=$root/build-rel/tools/xwait

work=$(mktemp -d)
app=
trap '[ -n "$app" ] && end_program "$app"; kill $xvfb 2>/dev/null || true; rm -rf "$work"' EXIT
start_display

now() { date +%s.%N; }
since() { awk -v a="$1" -v b="$2" 'BEGIN{printf "%.3f", b - a}'; }
pss_tree() { # MB of PSS over a process and its descendants
    local total=0 p
    for p in $1 $(descendants "$1"); do
        [ -r "/proc/$p/smaps_rollup" ] && total=$((total + $(awk '/^Pss:/{print $2}' "/proc/$p/smaps_rollup")))
    done
    awk -v k="$total" 'BEGIN{printf "%.1f", k / 1024}'
}
hwm() { awk '/VmHWM/{printf "%.1f", $2 / 1024}' "/proc/$1/status"; }
finish() {
    end_program "$1"
    app=
    sleep 0.5
}

results=$work/results # subject column value
: >"$results"
record() { echo "$1 $2 $3 ${run:-0}" >>"$results"; }

floor_widgets() {
    local t0 r
    t0=$(now)
    "$root/build-rel/tools/floor_widgets" >/dev/null 2>&1 &
    app=$!
    r=$("$xwait" map "Floor widgets") && record floor-widgets greeting "$(since "$t0" "${r% *}")"
    sleep 1
    record floor-widgets hwm "$(hwm $app)"
    record floor-widgets pss "$(pss_tree $app)"
    finish $app
}

floor_web() {
    local t0 r w t1
    t0=$(now)
    "$root/build-rel/tools/floor_webengine" "$root/build-rel/textbook/Glaves/Glava3.htm" >/dev/null 2>&1 &
    app=$!
    r=$("$xwait" map "Floor webengine") && record floor-web greeting "$(since "$t0" "${r% *}")"
    w=${r#* }
    t1=$("$xwait" ink "$w" 100 60 500 400) && record floor-web page "$(since "$t0" "$t1")"
    sleep 3
    record floor-web hwm "$(hwm $app)"
    record floor-web pss "$(pss_tree $app)"
    finish $app
}

textbook() { # subject runnable-folder
    local subject=$1 t0 r t3 t4 w
    rm -rf "$work/t" && cp -r "$2" "$work/t"
    sqlite3 "$work/t/Data.mdb" "insert into Users (фамилия, пароль, специальность, курс, путь)
        values ('Тест', '', 'x', '1 - Курс', 'Glaves\\Glava3.htm')"
    t0=$(now)
    (cd "$work/t" && exec ./velanika) >/dev/null 2>&1 &
    app=$!
    r=$("$xwait" map "Приветствие") || { finish $app; return; }
    record "$subject" greeting "$(since "$t0" "${r% *}")"
    xdotool mousemove --window "${r#* }" 200 150 click 1
    r=$("$xwait" map "Авторизация") && record "$subject" signin "$(since "$t0" "${r% *}")"
    sleep 0.5
    xdotool mousemove 593 175 click 1 # Вход
    sleep 0.2
    xdotool type "x"
    xdotool key BackSpace
    xdotool type --delay 60 "Тест"
    sleep 0.3
    t3=$(now)
    xdotool key Return
    r=$("$xwait" map "Электроный учебник - Тест")
    w=${r#* }
    # The page area, right of the reader's panel and below its menu bar.
    t4=$("$xwait" ink "$w" 200 40 440 320) && record "$subject" page "$(since "$t3" "$t4")"
    sleep 3
    record "$subject" hwm "$(hwm $app)"
    record "$subject" pss "$(pss_tree $app)"
    finish $app
}

for run in $(seq "$runs"); do
    floor_widgets
    floor_web
    textbook webengine build-rel/textbook
    textbook light build-light/textbook
    echo "run $run of $runs done" >&2
done

median() { # subject column
    awk -v s="$1" -v c="$2" '$1 == s && $2 == c {print $3}' "$results" | sort -g |
        awk '{v[NR] = $1} END {if (NR == 0) print "-"; else if (NR % 2) print v[(NR + 1) / 2];
             else printf "%.3f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2}'
}
printf "%-14s %9s %9s %9s %9s %9s\n" subject greeting signin page hwm-MB pss-MB
for s in floor-widgets floor-web webengine light; do
    printf "%-14s %9s %9s %9s %9s %9s\n" "$s" "$(median $s greeting)" "$(median $s signin)" \
        "$(median $s page)" "$(median $s hwm)" "$(median $s pss)"
done
echo
spread() { # subject column: min-max
    awk -v s="$1" -v c="$2" '$1 == s && $2 == c {print $3}' "$results" | sort -g |
        awk 'NR == 1 {lo = $1} {hi = $1} END {if (NR) printf "%s-%s", lo, hi; else print "-"}'
}
echo "spread over the runs (min-max):"
for s in floor-widgets floor-web webengine light; do
    printf "%-14s %13s %13s %13s %13s\n" "$s" "$(spread $s greeting)" "$(spread $s signin)" \
        "$(spread $s page)" "$(spread $s hwm)"
done
echo
# PSS divides shared pages among the processes that map them, so it moves with whatever else runs
# on the machine; the ratio is taken within each run, where both trees met the same neighbours.
pss_ratio() {
    awk '$2 == "pss" && $1 == "webengine" {w[$4] = $3} $2 == "pss" && $1 == "floor-web" {f[$4] = $3}
         END {for (r in w) if (f[r] > 0) print w[r] / f[r]}' "$results" | sort -g |
        awk '{v[NR] = $1} END {if (!NR) print 0; else if (NR % 2) print v[(NR + 1) / 2];
             else print (v[NR / 2] + v[NR / 2 + 1]) / 2}'
}
worst() { # subject column
    awk -v s="$1" -v c="$2" '$1 == s && $2 == c {print $3}' "$results" | sort -g | tail -n1
}
awk -v g="$(median webengine greeting)" -v l="$(median light greeting)" -v f="$(median floor-widgets greeting)" \
    -v p="$(worst webengine page)" -v r="$(pss_ratio)" \
    -v lh="$(median light hwm)" -v fh="$(median floor-widgets hwm)" 'BEGIN {
    printf "greeting / floor: web engine %.2fx, light %.2fx (target 1.3x)\n", g / f, l / f
    printf "chapter page after Enter, web engine, worst run: %.3f s (target 0.1 s)\n", p
    printf "web engine PSS / floor, median of the runs: %.2fx (target 0.7x)\n", r
    printf "light peak - floor: %+.1f MB (target +10 MB)\n", lh - fh
}'
