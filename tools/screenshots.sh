#!/usr/bin/env bash
# Captures the windows of the textbook on a virtual display into docs/screenshots: the steps of
# the student's journey, then the presentations, customer and user-manual windows, then a test
# taken up again after a crash, its review and a passage the review leads to, then the teacher's
# desk on a made-up class.
# Usage: screenshots.sh <runnable folder> [desk]   ("desk": the teacher's desk only)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
src=$(cd "$1" && pwd)
out=$root/docs/screenshots
tmp=$(mktemp -d)
trap 'kill "${xvfb:-}" "${app:-}" 2>/dev/null || true; rm -rf "$tmp"' EXIT
mkdir -p "$out"
. "$root/tools/lib/xvfb.sh"
find_window() {
    for _ in $(seq 200); do
        xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1 && return 0
        sleep 0.05
    done
    return 1
}

# The teacher's desk over a class of 24 with grades, attempts and answers.
desk_screenshots() {
    cp -r "$src" "$tmp/d"
    sqlite3 "$tmp/d/Data.mdb" <"$root/tools/lib/demo-class.sql"
    (cd "$tmp/d" && printf 'teacher\n' | ./velanika --set-teacher-password >/dev/null 2>&1)
    start_xvfb
    unset QT_QPA_PLATFORM
    (cd "$tmp/d" && exec ./velanika) >/dev/null 2>&1 &
    app=$!
    local signin desk
    signin=$(find_window "Авторизация")
    sleep 0.5
    xdotool windowfocus --sync "$signin" key ctrl+shift+t
    find_window "Кабинет преподавателя" >/dev/null
    sleep 0.5
    xdotool type --delay 60 "teacher" && xdotool key Return
    sleep 1.5
    desk=$(find_window "Кабинет преподавателя")
    xdotool windowsize --sync "$desk" 1100 760 && sleep 1
    # The screen cut to the window: without a window manager, importing the window alone can hang.
    capture() {
        eval "$(xdotool getwindowgeometry --shell "$desk" | sed 's/^/D_/')"
        import -window root -crop "${D_WIDTH}x${D_HEIGHT}+${D_X}+${D_Y}" +repage "$1"
    }
    capture "$out/desk-sheet.png"
    xdotool windowfocus --sync "$desk" key ctrl+Tab && sleep 0.8
    capture "$out/desk-questions.png"
    xdotool key ctrl+Tab && sleep 0.5
    capture "$out/desk-settings.png"
    # The import preview of a GIFT file, chosen by typing its path into the file window.
    cp "$root/tools/lib/demo-bank.gift" "$tmp/d/"
    xdotool key ctrl+Tab && sleep 0.5
    eval "$(xdotool getwindowgeometry --shell "$desk" | sed 's/^/D_/')"
    xdotool mousemove $((D_X + 278)) $((D_Y + 59)) click 1   # Открыть файл…
    find_window "Открыть банк" >/dev/null
    sleep 0.5
    xdotool type --delay 30 "$tmp/d/demo-bank.gift" && xdotool key Return && sleep 1.5
    capture "$out/desk-import.png"
    kill "$app" "$xvfb" 2>/dev/null || true
    wait "$app" 2>/dev/null || true
    app="" xvfb=""
}
if [ "${2:-}" = desk ]; then
    desk_screenshots
    ls "$out"
    exit 0
fi

"$root/tests/journey/journey.sh" "$src" "$tmp/journey" >/dev/null
for pair in 01-greeting:greeting 02-signin:signin 03-registration-mode:signin-registration \
    06-reader-chapter3:reader-chapter 08-test-question1:test-window 09-test-report:test-report \
    11-statistics-info:statistics; do
    convert "$tmp/journey/${pair%%:*}.png" -trim +repage "$out/${pair##*:}.png"
done

# The side windows, each captured alone.
cp -r "$src" "$tmp/t"
sqlite3 "$tmp/t/Data.mdb" "insert into Users (фамилия, пароль, специальность, курс, путь) values ('Петров', '', 'x', '1 - Курс', 'Glaves\\Glava3.htm')"
start_xvfb
unset QT_QPA_PLATFORM
mkdir -p "$tmp/bin" && printf '#!/bin/sh\nexit 0\n' >"$tmp/bin/xdg-open" && chmod +x "$tmp/bin/xdg-open"
(cd "$tmp/t" && PATH="$tmp/bin:$PATH" exec ./velanika) >/dev/null 2>&1 &
app=$!
signin=$(find_window "Авторизация")
xdotool mousemove 593 175 click 1 && sleep 0.3               # Вход
import -window "$signin" "$out/signin-login.png"
xdotool type "x" && xdotool key BackSpace && xdotool type --delay 90 "Петров" && xdotool key Return
reader=$(find_window "Электроный учебник - Петров")
sleep 2
eval "$(xdotool getwindowgeometry --shell "$reader" | sed 's/^/R_/')"
menu=$((R_HEIGHT - 540))
xdotool mousemove $((R_X + 88)) $((R_Y + menu + 443)) click 1   # Презентации
presentations=$(find_window "Презентации")
xdotool mousemove 300 150 click 1 && xdotool key Down && sleep 0.5
import -window "$presentations" "$out/presentations.png"
xdotool windowunmap "$presentations"
xdotool mousemove $((R_X + 504)) $((R_Y + 10)) click 1 && sleep 0.4   # Справка
xdotool mousemove $((R_X + 530)) $((R_Y + menu + 14)) click 1         # Автор
customer=$(find_window "Заказчик")
sleep 0.3
import -window "$customer" "$out/customer.png"
xdotool windowunmap "$customer"
xdotool mousemove $((R_X + 504)) $((R_Y + 10)) click 1 && sleep 0.4
xdotool mousemove $((R_X + 550)) $((R_Y + menu + 38)) click 1         # Руководство пользователя
manual=$(find_window "Руководство пользователя")
sleep 2.5
import -window "$manual" "$out/manual.png"
xdotool windowunmap "$manual"

# A test cut short by a crash and taken up again at the next sign-in, then its review and the
# passage a wrong answer leads to.
answer_a_next() { # answers A and moves on, in the test window
    eval "$(xdotool getwindowgeometry --shell "$1" | sed 's/^/T_/')"
    xdotool mousemove $((T_X + 24)) $((T_Y + 112)) click 1 && sleep 0.15
    xdotool mousemove $((T_X + 440)) $((T_Y + 380)) click 1 && sleep 0.3
}
questions=$(sqlite3 "$tmp/t/Data.mdb" "select count(*) from Test3")
xdotool mousemove $((R_X + 80)) $((R_Y + menu + 164)) click 1 && sleep 1   # Глава3
xdotool mousemove $((R_X + 88)) $((R_Y + menu + 475)) click 1              # Начать тест
find_window "Веланика" >/dev/null && sleep 0.3 && xdotool key Return
test=$(find_window "Тест- Глава3")
for _ in 1 2 3; do answer_a_next "$test"; done
sleep 1
kill -9 "$app"
wait "$app" 2>/dev/null || true
(cd "$tmp/t" && PATH="$tmp/bin:$PATH" exec ./velanika) >/dev/null 2>&1 &
app=$!
signin=$(find_window "Авторизация")
xdotool mousemove 593 175 click 1 && sleep 0.3               # Вход
xdotool type "x" && xdotool key BackSpace && xdotool type --delay 90 "Петров" && xdotool key Return
find_window "Веланика" >/dev/null && sleep 0.5
import -window root "$tmp/continue.png"
xdotool key Return                                          # Продолжить тест
test=$(find_window "Тест- Глава3")
sleep 1
import -window "$test" "$out/test-resumed.png"
for ((q = 4; q <= questions; q++)); do answer_a_next "$test"; done
find_window "Веланика" >/dev/null && sleep 0.5
xdotool key Tab space                                       # Разбор ответов
review=$(find_window "Разбор ответов")
sleep 1
import -window "$review" "$out/review.png"
xdotool key Return                                          # Читать в главе
sleep 3
import -window root "$tmp/passage.png"
convert "$tmp/passage.png" -trim +repage "$out/review-passage.png"
kill "$app" "$xvfb" 2>/dev/null || true
wait "$app" 2>/dev/null || true
app="" xvfb=""
desk_screenshots
echo "screenshots in $out"
ls "$out"
