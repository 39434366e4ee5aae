# Shared by the measurement scripts; sourced from the repository's root folder.

# build <dir> <web-engine ON/OFF> <targets...>: a RelWithDebInfo build of what is measured.
build() {
    local dir=$1 web=$2
    shift 2
    [ -f "$dir/CMakeCache.txt" ] || cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DBUILD_TESTING=OFF -DBUILD_BENCHMARKS=OFF -DWITH_WEBENGINE="$web" >/dev/null
    cmake --build "$dir" --target "$@" >"$dir/measure-build.log" 2>&1 ||
        { echo "build failed, see $dir/measure-build.log" >&2; exit 1; }
}

# start_display: a virtual display of its own (see lib/xvfb.sh); sets DISPLAY and xvfb.
start_display() {
    . "$root/tools/lib/xvfb.sh"
    start_xvfb || exit 1
    unset QT_QPA_PLATFORM
}

# descendants <pid>: every process under it (the web engine's helpers under the program).
descendants() {
    local c
    for c in $(pgrep -P "$1"); do
        echo "$c"
        descendants "$c"
    done
}

# end_program <pid>: the program and its helper processes.
end_program() {
    local helpers
    helpers=$(descendants "$1")
    kill -9 "$1" $helpers 2>/dev/null
    wait "$1" 2>/dev/null
}
