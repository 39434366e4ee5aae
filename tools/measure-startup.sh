#!/usr/bin/env bash
# Measures, on a virtual display, the time from start to the greeting window, to the sign-in
# window, and from pressing Enter at sign-in to the reader window, and the memory with a
# chapter open (peak RSS of the program, PSS of the program and its web-engine helpers).
# Usage: measure-startup.sh <runnable folder> [runs]
set -uo pipefail
src=$(cd "$1" && pwd)
runs=${2:-5}
work=$(mktemp -d)
display=:$((200 + RANDOM % 100))
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true; rm -rf "$work"' EXIT
export DISPLAY=$display
unset QT_QPA_PLATFORM
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

now() { date +%s.%N; }
wait_window() {
    for _ in $(seq 2000); do
        xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 && return 0
        sleep 0.005
    done
    return 1
}
pss_tree() { # kB of PSS over a process and all its descendants
    local total=0 p
    for p in $1 $(pgrep -P "$1" 2>/dev/null) $(for c in $(pgrep -P "$1" 2>/dev/null); do pgrep -P "$c"; done); do
        [ -r /proc/$p/smaps_rollup ] && total=$((total + $(awk '/^Pss:/{print $2}' /proc/$p/smaps_rollup)))
    done
    echo "$total"
}

printf "%-4s %10s %10s %12s %10s %10s\n" run greeting signin login-reader hwm-MB pss-MB
for r in $(seq "$runs"); do
    rm -rf "$work/t" && cp -r "$src" "$work/t"
    sqlite3 "$work/t/Data.mdb" "insert into Users (фамилия, пароль, специальность, курс, путь) values ('Тест', '', 'x', '1 - Курс', 'Glaves\\Glava3.htm')"
    t0=$(now)
    (cd "$work/t" && exec ./velanika) >/dev/null 2>&1 &
    app=$!
    wait_window "Приветствие"; t1=$(now)
    xdotool search --onlyvisible --name "Приветствие" | head -n1 | xargs -I{} xdotool mousemove --window {} 200 150 click 1
    wait_window "Авторизация"; t2=$(now)
    sleep 0.5
    xdotool mousemove 593 175 click 1     # Вход
    sleep 0.2
    xdotool type "x"; xdotool key BackSpace
    xdotool type --delay 60 "Тест"
    t3=$(now)
    xdotool key Return
    wait_window "Электроный учебник - Тест"; t4=$(now)
    sleep 3
    hwm=$(awk '/VmHWM/{print $2}' /proc/$app/status)
    pss=$(pss_tree "$app")
    kill -9 "$app"; wait "$app" 2>/dev/null; pkill -9 -f QtWebEngineProcess 2>/dev/null; sleep 0.5
    awk -v r="$r" -v a="$t0" -v b="$t1" -v c="$t2" -v d="$t3" -v e="$t4" -v h="$hwm" -v p="$pss" \
        'BEGIN{printf "%-4s %9.3fs %9.3fs %11.3fs %10.1f %10.1f\n", r, b-a, c-a, e-d, h/1024, p/1024}'
done
