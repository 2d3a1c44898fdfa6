#!/usr/bin/env bash
# The Debian package from end to end: build it, lint it, install it, run the
# launcher as an ordinary user under Xvfb and see the first run in that user's
# station folder, upgrade to a rebuilt package and check the station's own files
# are untouched, then remove it cleanly.
#   package_install.sh <build tree> <folder for screenshots>
# Needs root (dpkg -i, a temporary user); skipped otherwise.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "$1" && pwd)
shots=$(mkdir -p "$2" && cd "$2" && pwd)

((EUID == 0)) || { echo "skipped: installing a package needs root"; exit 77; }
for tool in dpkg-deb dpkg-shlibdeps lintian useradd runuser xvfb-run xdotool import; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done
if dpkg-query -W -f '${Status}' sonavia-studio 2>/dev/null | grep -q "ok installed"; then
    echo "skipped: sonavia-studio is installed on this machine and the test would replace it"
    exit 77
fi

work=$(mktemp -d /tmp/sonavia-package-test-XXXXXX)
chmod 755 "$work"
user=sonavia-test-$$
home=$work/home
station=$home/.local/share/sonavia-studio
cleanup() {
    dpkg --purge sonavia-studio >/dev/null 2>&1 || true
    userdel "$user" >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

echo "== building revisions 1 and 2"
lint=$(PACKAGE_SKIP_BUILD=1 BUILD_DIR=$build PACKAGE_REVISION=1 "$root/scripts/package" "$work/rev1" 2>&1) ||
    { echo "$lint"; fail "packaging failed"; }
echo "$lint"
grep -qx "lintian: clean" <<<"$lint" || fail "lintian reported tags"
PACKAGE_SKIP_BUILD=1 BUILD_DIR=$build PACKAGE_REVISION=2 "$root/scripts/package" "$work/rev2" >/dev/null 2>&1 ||
    fail "packaging revision 2 failed"

echo "== installing revision 1"
dpkg -i "$work/rev1/"*.deb >"$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log"; fail "dpkg -i failed"; }
for file in /usr/bin/sonavia-studio /usr/lib/sonavia-studio/sonavia-studio /usr/lib/sonavia-studio/padrao.xml \
    /etc/sonavia-studio/provedor.ini /usr/share/applications/sonavia-studio.desktop \
    /usr/share/man/man1/sonavia-studio.1.gz; do
    [[ -e $file ]] || fail "$file is not installed"
done
grep -qx /etc/sonavia-studio/provedor.ini /var/lib/dpkg/info/sonavia-studio.conffiles ||
    fail "the provider configuration is not a conffile"

useradd --home-dir "$home" --create-home --shell /bin/bash "$user"
# The machine may have no sound card: capture records silence from ALSA's null device.
runuser -u "$user" -- sh -c 'printf "pcm.!default {\n    type null\n}\n" >"$HOME/.asoundrc"'

# Runs the launcher as the test user inside a fresh virtual display; waits for
# the window named $1, takes a screenshot into the file $2 (the user's to write) and answers it with Return
# when $3 is "answer", then waits for the window named $4 (if any).
as_user_in_xvfb() {
    runuser -u "$user" -- env -i HOME="$home" PATH=/usr/bin:/bin LANG=C.UTF-8 \
        timeout 120 xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
        set -u
        sonavia-studio >"$HOME/launcher.out" 2>&1 & program=$!
        trap "pkill -x -u $(id -u) sonavia-studio" EXIT
        wait_window() {
            for _ in $(seq 1 150); do
                id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1 || true)
                [[ -n $id ]] && { echo "$id"; return 0; }
                sleep 0.2
            done
            echo "no window \"$1\"" >&2; cat "$HOME/launcher.out" >&2; return 1
        }
        box=$(wait_window "$1") || exit 1
        sleep 0.5; import -window root "$2"
        [[ $3 == answer ]] && xdotool windowfocus --sync "$box" key Return
        [[ -z $4 ]] || wait_window "$4" >/dev/null || exit 1
        ' _ "$@"
}

echo "== first run as $user"
as_user_in_xvfb "Zorvane Sonavia" "$home/first-run.png" answer "Configura.*es" ||
    fail "the first run did not show the missing-session message and the settings window"
cp "$home/first-run.png" "$shots/package-first-run.png"
[[ -x $station/sonavia-studio ]] || fail "no program in the station folder"
[[ $(stat -c '%a %U' "$station/cfg.ini") == "600 $user" ]] || fail "cfg.ini is not the user's, mode 0600"
grep -aq FormCreate "$station/OnLine.log" || fail "the missing session file was not logged"
[[ $(cat "$station/VERSION") == *-1 ]] || fail "the station folder does not hold revision 1"

# Another station's session file, then a snapshot of what the station owns.
runuser -u "$user" -- sh -c "sed 's/padrao/bia/g' '$station/padrao.xml' >'$station/bia.xml'"
(cd "$station" && md5sum cfg.ini bia.xml) >"$work/owned.md5"
cp "$station/OnLine.log" "$work/OnLine.before"

echo "== upgrading to revision 2"
dpkg -i "$work/rev2/"*.deb >"$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log"; fail "the upgrade failed"; }
as_user_in_xvfb "Zorvane Sonavia" "$home/after-upgrade.png" keep "" ||
    fail "the program did not start after the upgrade"
[[ $(cat "$station/VERSION") == *-2 ]] || fail "the station folder was not refreshed to revision 2"
(cd "$station" && md5sum --quiet -c "$work/owned.md5") || fail "the upgrade changed the station's own files"
cmp -n "$(stat -c %s "$work/OnLine.before")" "$work/OnLine.before" "$station/OnLine.log" ||
    fail "the event log lost records"
[[ $(stat -c '%a' "$station/cfg.ini") == 600 ]] || fail "cfg.ini lost its mode"

echo "== removing"
dpkg --purge sonavia-studio >"$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log"; fail "dpkg --purge failed"; }
for file in /usr/bin/sonavia-studio /usr/lib/sonavia-studio /etc/sonavia-studio /usr/share/applications/sonavia-studio.desktop; do
    [[ ! -e $file ]] || fail "$file is left after removal"
done
[[ -f $station/cfg.ini ]] || fail "removing the package touched the user's station"
echo "package install, first run, upgrade and removal OK"
