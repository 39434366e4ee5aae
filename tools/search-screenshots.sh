#!/usr/bin/env bash
# Captures the search across the course on a virtual display into docs/screenshots: the pages
# found for a word, the first of them opened with the word's forms marked, and the same page dark
# with the find bar counting. Run once with the web-engine build and once with the light one.
# Usage: search-screenshots.sh <runnable folder> <suffix of the pictures' names, e.g. -light>
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
src=$(cd "$1" && pwd)
suffix=${2:-}
out=$root/docs/screenshots
tmp=$(mktemp -d)
trap 'kill "${app:-}" 2>/dev/null || true; kill "${xvfb:-}" 2>/dev/null || true; rm -rf "$tmp"' EXIT
mkdir -p "$out"

cp -r "$src" "$tmp/t"
sqlite3 "$tmp/t/Data.mdb" "insert into Users (фамилия, пароль, специальность, курс, путь) values ('Петров', '', 'x', '1 - Курс', 'Glaves\\Glava3.htm')"
. "$root/tools/lib/xvfb.sh"
start_xvfb
unset QT_QPA_PLATFORM
# The index of this run only, made at the sign-in.
(cd "$tmp/t" && XDG_CACHE_HOME="$tmp/cache" exec ./velanika) >"$tmp/app.log" 2>&1 &
app=$!
find_window() {
    for _ in $(seq 200); do
        xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1 && return 0
        sleep 0.05
    done
    echo "no window '$1'" >&2
    tail -n 20 "$tmp/app.log" >&2
    return 1
}
# Cyrillic arrives whole when pasted; typed, it loses letters under load.
paste_text() {
    printf '%s' "$1" | xclip -selection clipboard -loops 1 -quiet >/dev/null 2>&1 &
    sleep 0.1
    xdotool key ctrl+v
    sleep 0.3
}
capture() {
    import -window "$reader" "$tmp/shot.png"
    convert "$tmp/shot.png" -trim +repage "$out/$1$suffix.png"
}

signin=$(find_window "Авторизация")
sleep 1.5
xdotool mousemove 593 175 click 1 && sleep 0.3 # Вход
paste_text "Петров"
xdotool key Return
reader=$(find_window "Электроный учебник - Петров")
sleep 2
xdotool windowfocus --sync "$reader"
xdotool key ctrl+shift+f && sleep 0.3
paste_text "оценка"
sleep 1
capture search-results
xdotool key Return && sleep 2
capture search-page
# The dark page, the last command of the menu "Вид", with the find bar counting.
eval "$(xdotool getwindowgeometry --shell "$reader" | sed 's/^/R_/')"
xdotool mousemove $((R_X + 292)) $((R_Y + 10)) click 1 && sleep 0.4
xdotool key Up Return && sleep 1
xdotool key ctrl+f && sleep 0.3
paste_text "оценк"
sleep 0.5
capture dark-page
echo "search-results$suffix.png, search-page$suffix.png and dark-page$suffix.png in $out"
