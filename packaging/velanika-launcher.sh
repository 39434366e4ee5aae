#!/bin/sh
# Starts the textbook with its folder as the current directory, as the program expects.
# The installed folder belongs to root. When the user may write to it (the administrator made
# it group-writable to share one Data.mdb among the students of a class room), the program
# runs there. Otherwise the user gets a private copy of the folder in their data folder on the
# first start; later starts refresh the program and pages in the copy but keep its Data.mdb.
set -eu
here=$(dirname "$(readlink -f "$0")")
installed=$(readlink -f "$here/../../opt/velanika")
[ -x "$installed/velanika" ] || installed=$(readlink -f "$here/../opt/velanika")

if [ -w "$installed" ] && [ -w "$installed/Data.mdb" ]; then
    cd "$installed"
    exec ./velanika "$@"
fi

copy="${XDG_DATA_HOME:-$HOME/.local/share}/velanika"
mkdir -p "$copy"
for item in velanika libvelanika_pages.so fonts.conf Glaves Present; do
    rm -rf "${copy:?}/$item"
    if [ -e "$installed/$item" ]; then
        cp -R "$installed/$item" "$copy/$item"
    fi
done
[ -e "$copy/Data.mdb" ] || cp "$installed/Data.mdb" "$copy/Data.mdb"
chmod u+w "$copy/Data.mdb"
cd "$copy"
exec ./velanika "$@"
