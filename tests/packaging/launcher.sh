#!/bin/sh
# The launcher against a temporary root: which data folder each user gets, what it makes there,
# and that nothing executable ever lands in a data folder. The installed program is a stand-in
# that writes down where and how it was started.
#   launcher.sh <velanika-launcher.sh>
set -u
launcher=$(readlink -f "$1")
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
passed=0
failed=0

check() { # check <what> <command...>
    what=$1
    shift
    if "$@"; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAIL: $what" >&2
    fi
}

root=$tmp/opt/velanika
mkdir -p "$root"
printf 'course' >"$root/Data.mdb"
cat >"$root/velanika" <<'PROGRAM'
#!/bin/sh
{ pwd; umask; printf '%s|' "$@"; echo; } >"$LAUNCH_LOG"
PROGRAM
chmod 755 "$root/velanika"
shared=$tmp/var/lib/velanika
mkdir -p "$shared"
chmod 2775 "$shared"
printf 'class' >"$shared/Data.mdb"

# launch <home> <groups> [args...]: runs the launcher as a user with that home and those groups.
launch() {
    home=$1
    groups=$2
    shift 2
    rm -f "$tmp/log"
    env -u XDG_DATA_HOME HOME="$home" VELANIKA_ROOT="$root" VELANIKA_SHARED="$shared" \
        VELANIKA_GROUP=velanika VELANIKA_USER_GROUPS="$groups" LAUNCH_LOG="$tmp/log" \
        ${XDG:+XDG_DATA_HOME="$XDG"} sh "$launcher" "$@" >"$tmp/out" 2>&1
}
started_in() { [ "$(sed -n 1p "$tmp/log")" = "$(readlink -f "$1")" ]; }
mode() { stat -c %a "$1"; }

# A student outside the group: a private folder, made on first start and used again.
XDG=
launch "$tmp/anna" "anna users" "Глава 1" "two words"
private=$tmp/anna/.local/share/velanika
check "private folder made" started_in "$private"
check "arguments passed whole" [ "$(sed -n 3p "$tmp/log")" = "Глава 1|two words|" ]
check "fresh record from the installed one" [ "$(cat "$private/Data.mdb")" = course ]
check "private folder for the user alone" [ "$(mode "$private")" = 700 ]
check "private record for the user alone" [ "$(mode "$private/Data.mdb")" = 600 ]
check "user's umask given back" [ "$(sed -n 2p "$tmp/log")" = "$(umask)" ]
printf 'grades' >"$private/Data.mdb"
launch "$tmp/anna" "anna users"
check "private folder used again" started_in "$private"
check "private record kept" [ "$(cat "$private/Data.mdb")" = grades ]

# XDG_DATA_HOME counts when it is a whole path, as the standard asks.
XDG=$tmp/xdg launch "$tmp/anna" "anna"
check "XDG_DATA_HOME used" started_in "$tmp/xdg/velanika"
XDG=relative launch "$tmp/anna" "anna"
check "relative XDG_DATA_HOME ignored" started_in "$private"
XDG=

# A member of the group: the class's folder, with a umask that leaves its files to the group.
launch "$tmp/boris" "boris velanika"
check "member uses the shared folder" started_in "$shared"
check "member's umask keeps files the group's" [ "$(sed -n 2p "$tmp/log")" = 0002 ]
check "member gets no private folder" [ ! -e "$tmp/boris/.local/share/velanika" ]
check "shared record untouched" [ "$(cat "$shared/Data.mdb")" = class ]
# A group whose name only contains the group's is another group.
launch "$tmp/vera" "vera velanika-old"
check "other group is not the class" started_in "$tmp/vera/.local/share/velanika"
# Without the shared record a member falls back to a private one.
mv "$shared/Data.mdb" "$tmp/class.mdb"
launch "$tmp/boris" "boris velanika"
check "member without shared record goes private" started_in "$tmp/boris/.local/share/velanika"
mv "$tmp/class.mdb" "$shared/Data.mdb"

# The copy an older launcher made: its code goes without a word, the record stays.
old=$tmp/gleb/.local/share/velanika
mkdir -p "$old/Glaves" "$old/Present"
printf 'old grades' >"$old/Data.mdb"
for f in velanika libvelanika_pages.so fonts.conf Glaves/Glava1.html Present/a.pdf; do
    printf 'x' >"$old/$f"
done
chmod 755 "$old/velanika" "$old/libvelanika_pages.so"
launch "$tmp/gleb" "gleb"
check "old copy's record used" started_in "$old"
check "old copy's record kept" [ "$(cat "$old/Data.mdb")" = "old grades" ]
check "old copy's code removed" [ "$(ls -A "$old")" = Data.mdb ]
check "launcher says nothing" [ ! -s "$tmp/out" ]

# An installed record with execute bits still gives a record without them.
chmod 755 "$root/Data.mdb"
launch "$tmp/dina" "dina"
check "copied record not executable" [ "$(mode "$tmp/dina/.local/share/velanika/Data.mdb")" = 600 ]

check "nothing executable in a data folder" [ -z "$(find "$shared" "$tmp"/*/.local/share/velanika "$tmp/xdg" \
    -type f -perm /111)" ]

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
