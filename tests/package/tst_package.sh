#!/bin/sh
# The Debian package as a user meets it: built by CPack from this build, unpacked into a scratch
# root and run from there, with HOME and the XDG folders in scratch folders too. Checks the
# first start, two uploads from the meter simulator, a second start meanwhile, that nothing is
# written under the root, and lintian and the desktop and AppStream validators.
#
#   tst_package.sh BUILD_DIR
set -eu

build=$(cd "$1" && pwd)
scratch=$(mktemp -d)
app=
sim=
cleanup() {
    [ -z "$app" ] || kill -9 "$app" 2>/dev/null || true
    [ -z "$sim" ] || kill "$sim" 2>/dev/null || true
    rm -rf "$scratch"
}
trap cleanup EXIT INT TERM
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
step() { echo "-- $*"; }
# wait_for SECONDS COMMAND...: until the command succeeds
wait_for() {
    limit=$(($1 * 10))
    shift
    n=0
    until "$@"; do
        n=$((n + 1))
        [ $n -lt "$limit" ] || return 1
        sleep 0.1
    done
}
items() { grep -o '<item>' "$1" 2>/dev/null | wc -l; }
has_items() { [ "$(items "$1")" -eq "$2" ]; }

step "package"
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/pkg" >"$scratch/cpack.log" 2>&1 ||
    { cat "$scratch/cpack.log"; fail "cpack"; }
deb=$(ls "$scratch"/pkg/quillon_*.deb)
dpkg-deb -f "$deb" Package Version Architecture Section Priority Maintainer Depends
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libqt6widgets6 libqt6charts6 libqt6serialport6 libqt6sql6-sqlite libc6; do
    echo "$depends" | grep -q "$lib" || fail "Depends lacks $lib"
done

step "lintian"
lintian --fail-on error "$deb" || fail "lintian reports errors"

root=$scratch/root
dpkg-deb -x "$deb" "$root"
step "validators"
desktop-file-validate "$root/usr/share/applications/org.example.quillon.desktop" || fail "desktop entry"
appstreamcli validate --no-net "$root/usr/share/metainfo/org.example.quillon.metainfo.xml" || fail "metainfo"
for f in usr/bin/quillon usr/bin/quillon-meter-sim usr/share/quillon/sys.ini usr/share/quillon/datamb.xml \
    usr/share/icons/hicolor/scalable/apps/org.example.quillon.svg \
    usr/share/icons/hicolor/48x48/apps/org.example.quillon.png usr/share/man/man1/quillon.1.gz \
    usr/share/man/man1/quillon-meter-sim.1.gz usr/share/doc/quillon/copyright; do
    [ -f "$root/$f" ] || fail "the package lacks /$f"
done

snapshot() { (cd "$root" && find . -printf '%p %s %m %T@\n' | sort); }
snapshot >"$scratch/root.before"

export HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/config" XDG_DATA_HOME="$scratch/share"
export XDG_CACHE_HOME="$scratch/cache" XDG_RUNTIME_DIR="$scratch/runtime" QT_QPA_PLATFORM=offscreen
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
exe=$root/usr/bin/quillon
ini=$XDG_CONFIG_HOME/quillon/sys.ini
store=$XDG_DATA_HOME/quillon/TMPDATE.xml
meter=$scratch/meter

step "first start"
"$exe" 2>"$scratch/first.err" &
app=$!
wait_for 20 test -f "$XDG_DATA_HOME/quillon/quillon.lock" || fail "the first start did not come up"
cmp "$ini" "$root/usr/share/quillon/sys.ini" || fail "the first start did not copy the default settings"
for d in "$XDG_CONFIG_HOME" "$XDG_CONFIG_HOME/quillon" "$XDG_DATA_HOME" "$XDG_DATA_HOME/quillon"; do
    [ "$(stat -c %a "$d")" = 700 ] || fail "$d is not 0700"
done
# A program that ends by a signal leaves its lock behind, as a crash would: the next start takes
# it over.
kill -9 "$app"
wait "$app" 2>/dev/null || true
app=

# Port 1 of the user's settings is the simulator, through a link that stays the same.
awk -v dev="$meter" '{ print } /^\[comm\]/ { print "port1=" dev }' "$ini" >"$ini.new"
mv "$ini.new" "$ini"

upload() { # READINGS SEED
    step "upload of $1 readings"
    "$root/usr/bin/quillon-meter-sim" --readings "$1" --seed "$2" --sessions 1 --link "$meter" \
        >"$scratch/sim.out" 2>"$scratch/sim.err" &
    sim=$!
    wait_for 60 has_items "$store" "$1" || fail "the upload of $1 readings did not reach $store"
    wait "$sim" || fail "the simulator ended badly: $(cat "$scratch/sim.err")"
    sim=
}

"$exe" 2>"$scratch/app.err" &
app=$!
upload 5 1
cp "$store" "$scratch/first-upload.xml"

step "second start meanwhile"
second=0
timeout 30 "$exe" 2>"$scratch/second.err" || second=$?
[ "$second" -eq 0 ] || fail "the second start exited with $second: $(cat "$scratch/second.err")"
grep -q "brought forward" "$scratch/second.err" || fail "the second start said: $(cat "$scratch/second.err")"
kill -0 "$app" || fail "the first copy is gone"

upload 7 2
cmp "$store.back" "$scratch/first-upload.xml" || fail "the backup is not the first upload's store"
for f in "$store" "$store.back"; do
    [ "$(stat -c %a "$f")" = 600 ] || fail "$f is not 0600"
done
kill "$app"
wait "$app" 2>/dev/null || true
app=

step "nothing written under the root"
snapshot >"$scratch/root.after"
diff "$scratch/root.before" "$scratch/root.after" || fail "files under the root changed"
echo "PASS"
