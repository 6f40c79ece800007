#!/usr/bin/env bash
# Builds the Debian package from a clean build-package/, installs it with
# apt-get as a user would, checks the installed program the way a desktop
# meets it, and removes it again:
#   - lintian reports no error on the package;
#   - `k7 --version` runs from PATH, `k7 --check` reads the installed example;
#   - desktop-file-validate and appstreamcli pass on the installed files;
#   - xdg-mime gives a K7 CFG K7's MIME type, and another .cfg not;
#   - the desktop entry's Exec line opens K7's window under Xvfb;
#   - removing the package leaves none of its files behind.
# Installing needs root: run as root (CI is), or with sudo; otherwise the
# stage is skipped with a loud message. K7_WERROR=ON builds with -Werror.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=build-package
mime_type=application/x-k7-cfg

if [ "$(id -u)" -eq 0 ]; then
    sudo=()
elif sudo -n true 2>/dev/null; then
    sudo=(sudo -n)
else
    echo "SKIPPED: the package test installs a package and needs root or sudo without a password" >&2
    exit 0
fi

bash scripts/install-deps.sh

fail() {
    echo "ci-package: FAILED: $*" >&2
    exit 1
}

build_package() {
    local werror=()
    [ -z "${K7_WERROR:-}" ] || werror=(-DK7_WERROR="$K7_WERROR")
    rm -rf "$build"
    cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF -DK7_BENCHMARKS=OFF \
        "${werror[@]}" >/dev/null
    cmake --build "$build" -j "$(nproc)" --target package
    deb=$(ls "$root/$build"/k7_*_amd64.deb)
    [[ $(basename "$deb") =~ ^k7_[0-9.]+_amd64\.deb$ ]] || fail "unexpected package name $deb"
    # Lintian does not like to run as root but does; its notice is noise here.
    lintian --fail-on error "$deb" 2> >(grep -v "running with root privileges" >&2) \
        || fail "lintian reports an error on $deb"
}

install_package() {
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq "$deb" >/dev/null
    installed=1
    dpkg -L k7 | sort >"$scratch/package-files"
}

check_command_line() {
    [ "$(command -v k7)" = /usr/bin/k7 ] || fail "k7 is not on PATH as /usr/bin/k7"
    [ "$(k7 --version)" = "K7 $(dpkg-deb -f "$deb" Version)" ] || fail "k7 --version: $(k7 --version)"
    k7 --check /usr/share/k7/examples/finds.cfg >"$scratch/normal-form.cfg" \
        || fail "k7 --check on the installed example"
    cmp -s /usr/share/k7/examples/finds.cfg /usr/share/doc/k7/examples/finds.cfg \
        || fail "the example under share/doc differs from the one K7 copies"
    gzip -t /usr/share/man/man1/k7.1.gz || fail "no compressed man page k7(1)"
    [ -f /usr/share/doc/k7/manual/index.html ] && [ -d /usr/share/doc/k7/manual/images ] \
        || fail "the manual's pages are not installed under /usr/share/doc/k7/manual"
    # The man page covers every option --help lists.
    local option man_text
    man_text=$(zcat /usr/share/man/man1/k7.1.gz | sed 's/\\-/-/g')
    for option in $(k7 --help | grep -o -- '--[a-z-]*' | sort -u); do
        grep -q -- "$option" <<<"$man_text" || fail "the man page does not describe $option"
    done
}

check_desktop_files() {
    desktop-file-validate /usr/share/applications/k7.desktop || fail "desktop-file-validate"
    appstreamcli validate --no-net $(grep '^/usr/share/metainfo/.*\.xml$' "$scratch/package-files") \
        || fail "appstreamcli validate"
    for size in scalable 48x48 256x256; do
        ls /usr/share/icons/hicolor/$size/apps/k7.* >/dev/null || fail "no $size icon"
    done
}

check_mime_type() {
    local k7_cfg=$scratch/mime/dig.cfg other_cfg=$scratch/mime/server.cfg type
    mkdir -p "$scratch/mime"
    cp /usr/share/k7/examples/finds.cfg "$k7_cfg"
    printf '[server]\nport=8080\n' >"$other_cfg"
    type=$(XDG_DATA_DIRS=/usr/local/share:/usr/share xdg-mime query filetype "$k7_cfg")
    [ "$type" = $mime_type ] || fail "xdg-mime calls the example $type, not $mime_type"
    type=$(XDG_DATA_DIRS=/usr/local/share:/usr/share xdg-mime query filetype "$other_cfg")
    [ "$type" != $mime_type ] || fail "xdg-mime calls a .cfg of another program $type"
    # The normal form, as K7 writes it, begins with the section itself.
    cp "$scratch/normal-form.cfg" "$k7_cfg"
    type=$(XDG_DATA_DIRS=/usr/local/share:/usr/share xdg-mime query filetype "$k7_cfg")
    [ "$type" = $mime_type ] || fail "xdg-mime calls a CFG written by K7 $type"
}

# The Exec line of the installed entry, its %f replaced by `file` and the
# other field codes dropped, as a launcher does.
exec_line() {
    local file=$1 line word out=()
    line=$(sed -n 's/^Exec=//p' /usr/share/applications/k7.desktop | head -n 1)
    for word in $line; do
        case $word in
        %f | %F | %u | %U) out+=("$file") ;;
        %?) ;;
        *) out+=("$word") ;;
        esac
    done
    printf '%s\n' "${out[@]}"
}

check_window() {
    local home=$scratch/home cfg command
    mkdir -p "$home/work"
    # The CFG in its normal form, so that opening it asks nothing.
    cfg=$home/work/finds.cfg
    cp "$scratch/normal-form.cfg" "$cfg"
    mapfile -t command < <(exec_line "$cfg")
    [ "${command[0]}" = k7 ] && [ "${command[1]}" = "$cfg" ] || fail "Exec line: ${command[*]}"
    HOME=$home XDG_CONFIG_HOME=$home/.config XDG_DATA_HOME=$home/.local/share \
        timeout 60 xvfb-run -a bash -c '
            "$@" & pid=$!
            found=1
            if timeout 20 xdotool search --sync --onlyvisible --name "^K7 - .*finds\.cfg$" >/dev/null; then
                found=0
            fi
            kill "$pid"; wait "$pid" 2>/dev/null
            exit $found' _ "${command[@]}" || fail "no K7 window on $cfg within 20 s"
    [ -f "$home/work/finds.mdb" ] || fail "the window did not open the CFG's database"
}

remove_package() {
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get remove --purge -y -qq k7 >/dev/null
    installed=0
    ! dpkg -s k7 >/dev/null 2>&1 || fail "k7 is still known to dpkg after the purge"
    local path left=()
    while read -r path; do
        [ "$path" = /. ] && continue
        # A folder others share stays while it holds their files.
        if [ -d "$path" ] && [ -n "$(ls -A "$path")" ]; then continue; fi
        [ -e "$path" ] && left+=("$path")
    done <"$scratch/package-files"
    [ ${#left[@]} -eq 0 ] || fail "left after removal: ${left[*]}"
    ! grep -q "^$mime_type\$" /usr/share/mime/types || fail "the MIME database still knows $mime_type"
}

# A check that fails does not leave the package on the machine.
cleanup() {
    [ "$installed" -eq 0 ] || DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get remove --purge -y -qq k7 >/dev/null
    rm -rf "$scratch"
}
installed=0
scratch=$(mktemp -d /tmp/k7-package.XXXXXX)
trap cleanup EXIT
start=$SECONDS
build_package
echo "package: $(basename "$deb") built in $((SECONDS - start)) s"
install_package
check_command_line
check_desktop_files
check_mime_type
check_window
remove_package
echo "package: installed, checked and removed in $((SECONDS - start)) s"
