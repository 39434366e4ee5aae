#!/bin/sh
# Starts the installed textbook in its data folder, the folder that holds Data.mdb. The program,
# its pages and presentations stay where they are installed, owned by root, and run from there;
# nothing is ever copied out of that folder but a fresh Data.mdb.
#
# The data folder:
#  - shared: /var/lib/velanika, when the user is in the group velanika and may write the folder
#    and its Data.mdb: one class's students and grades on one PC;
#  - private otherwise: $XDG_DATA_HOME/velanika (~/.local/share/velanika), made on first start
#    with a copy of the installed Data.mdb.
#
# VELANIKA_ROOT, VELANIKA_SHARED, VELANIKA_GROUP and VELANIKA_USER_GROUPS (the user's groups, as
# `id -nG` prints them) stand in for the real ones in tests.
set -eu

here=$(dirname "$(readlink -f "$0")")
root=${VELANIKA_ROOT:-$(readlink -f "$here/../../opt/velanika")}
shared=${VELANIKA_SHARED:-/var/lib/velanika}
group=${VELANIKA_GROUP:-velanika}

in_group() {
    for g in ${VELANIKA_USER_GROUPS-$(id -nG)}; do
        [ "$g" = "$group" ] && return 0
    done
    return 1
}

if in_group && [ -d "$shared" ] && [ -w "$shared" ] && [ -f "$shared/Data.mdb" ] && [ -w "$shared/Data.mdb" ]; then
    # SQLite makes its journal and the program a backup beside Data.mdb: the class's group must
    # be able to write them too.
    umask 002
    cd "$shared"
    exec "$root/velanika" "$@"
fi

case ${XDG_DATA_HOME:-} in
/*) data_home=$XDG_DATA_HOME ;;
*) data_home=$HOME/.local/share ;; # unset, empty or relative: the default
esac
private=$data_home/velanika
# The record holds passwords: for the user alone.
user_umask=$(umask)
umask 077
mkdir -p "$private"
chmod 700 "$private"

# An older launcher copied the program and the pages here on every start. They are not used any
# more (pages now come from the installed folder), so they go; the record stays.
if [ "$(readlink -f "$private")" != "$(readlink -f "$root")" ]; then
    rm -rf "$private/velanika" "$private/libvelanika_pages.so" "$private/fonts.conf" \
        "$private/Glaves" "$private/Present"
fi

if [ ! -e "$private/Data.mdb" ]; then
    # Copied under another name and renamed, so an interrupted copy never passes for a record.
    cp "$root/Data.mdb" "$private/Data.mdb.new"
    chmod 600 "$private/Data.mdb.new"
    mv "$private/Data.mdb.new" "$private/Data.mdb"
fi
umask "$user_umask"
cd "$private"
exec "$root/velanika" "$@"
