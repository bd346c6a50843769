#!/usr/bin/env bash
# Installs both packages with apt-get as a school's IT would, starts the program from its
# desktop entry as a pupil, upgrades to a newer build, then removes and purges: nothing of
# the packages is left, and the school's MWEX folder beside the program and the pupil's
# works survive every step. Runs only as root on a machine without a classroom install.
# Usage: apt-install.sh <folder with the .deb files> <pixelprobe>
set -euo pipefail
DEBS=$(cd "$1" && pwd)
PIXELPROBE=$2
. "$(dirname "$0")/lib.sh"
OPT=/opt/qumo-shell

[ "$(id -u)" -eq 0 ] || { echo "Suite skipped: installing packages needs root"; exit 0; }
command -v apt-get >/dev/null || { echo "Suite skipped: no apt-get"; exit 0; }
# One run at a time on this machine (other checkouts may run their suites beside this one).
exec 9>/run/qumo-shell-apt-test.lock
flock 9
installed() { dpkg-query -W -f='${db:Status-Status}' "$1" 2>/dev/null | grep -qx installed; }
if installed qumo-shell || installed qumo-shell-demo || [ -e "$OPT" ]; then
    echo "Suite skipped: this machine has its own installation in $OPT"; exit 0
fi

work=$(mktemp -d)
chmod 755 "$work"
cleanup() {
    wait
    if dpkg-query -W qumo-shell qumo-shell-demo >/dev/null 2>&1; then
        DEBIAN_FRONTEND=noninteractive apt-get -y -q -o DPkg::Lock::Timeout=300 \
            purge qumo-shell-demo qumo-shell >/dev/null 2>&1 || true
    fi
    rm -rf "$OPT" "$work"
}
trap cleanup EXIT
apt_get() { # shows what dpkg did
    DEBIAN_FRONTEND=noninteractive apt-get -y -q -o DPkg::Lock::Timeout=300 "$@" \
        >"$work/apt.log" 2>&1 || { tail -30 "$work/apt.log"; fail "apt-get $*"; }
    grep -E '^(Unpacking|Setting up|Removing|Purging)|warning' "$work/apt.log" | sed 's/^/   /' || true
}
shell=$(ls "$DEBS"/qumo-shell_*.deb)
demo=$(ls "$DEBS"/qumo-shell-demo_*.deb)
version=$(dpkg-deb -f "$shell" Version)

# A newer build: the same packages with a higher version, made while the first install
# runs (a test's own packages, so quickly compressed).
newer() { # deb, output
    local tree="$2.tree"
    dpkg-deb -R "$1" "$tree"
    sed -i "s/^Version: .*/Version: $version+1/; s/qumo-shell (= $version)/qumo-shell (= $version+1)/" \
        "$tree/DEBIAN/control"
    dpkg-deb --root-owner-group -Zgzip -z1 -b "$tree" "$2" >/dev/null
    rm -rf "$tree"
}
newer "$shell" "$work/qumo-shell_new.deb" &
newer_shell=$!
newer "$demo" "$work/qumo-shell-demo_new.deb" &
newer_demo=$!

package_files() { # every file and folder of a package, one per line
    dpkg-deb --fsys-tarfile "$1" | tar -t | sed 's|^\.||; s|/$||' | grep -v '^$'
}
left_behind() { # prints what of the packages' files is still on the disk
    { package_files "$shell"; package_files "$demo"; } | sort -u | while IFS= read -r f; do
        case "$f" in
            /opt|/usr|/usr/share|/usr/share/*/|/usr/share/doc|/usr/share/applications|/usr/share/icons|/usr/share/icons/hicolor|/usr/share/icons/hicolor/*|/usr/share/metainfo|/usr/share/lintian|/usr/share/lintian/overrides)
                [ -d "$f" ] || [ ! -e "$f" ] || echo "$f" ;; # shared folders stay
            "$OPT") ;; # kept while the school's files are in it
            *) [ ! -e "$f" ] && [ ! -L "$f" ] || echo "$f" ;;
        esac
    done
}

note "apt-get install ./$(basename "$shell") ./$(basename "$demo")"
apt_get install "$shell" "$demo"
installed qumo-shell && installed qumo-shell-demo || fail "not installed"

# First start from the desktop entry, as a pupil who cannot write to the program's folder.
entry=/usr/share/applications/jp.qumo.shell.desktop
xdotool mousemove 1270 1010
opt_before=$(tree_state "$OPT")
user=$(pupil_account 1)
pupil_home "$user" "$work/home"
start_as_pupil "$user" "$work/home" "$(desktop_key "$entry" Path)" "$(desktop_key "$entry" Exec)" "$work/run.log"
watch_start "$(windows_folder "$work/home/Desktop/さくひん")" disabled "$work/run.log"
[ -f "$work/home/Desktop/さくひん/はじめ1.mwx" ] || fail "no starting work on the pupil's desktop"
[ "$(tree_state "$OPT")" = "$opt_before" ] || fail "the first start wrote under $OPT"
note "first start: save folder $work/home/Desktop/さくひん"

# The school's own folder beside the program: settings, the Logo program, a page.
mkdir -p "$OPT/MWEX"
printf '<TATE>700</TATE><YOKO>900</YOKO><NAME>がっこう</NAME>' >"$OPT/MWEX/QUMOの設定.txt"
cp "$OPT/QUMOG/MWEX/mwex.exe" "$OPT/MWEX/mwex.exe"
echo '<p>school</p>' >"$OPT/index.html"
school() { (cd "$OPT" && find MWEX index.html -type f -exec md5sum {} + | sort); }
school_files=$(school)
pupil_works=$(tree_state "$work/home/Desktop")

note "upgrade to $version+1"
wait "$newer_shell" && wait "$newer_demo" || fail "the newer packages could not be made"
apt_get install "$work/qumo-shell_new.deb" "$work/qumo-shell-demo_new.deb"
[ "$(dpkg-query -W -f='${Version}' qumo-shell)" = "$version+1" ] || fail "qumo-shell was not upgraded"
[ "$(school)" = "$school_files" ] || fail "the upgrade changed the school's files"

for how in remove purge; do
    note "apt-get $how"
    apt_get "$how" qumo-shell-demo qumo-shell
    ! installed qumo-shell && ! installed qumo-shell-demo || fail "still installed after $how"
    if [ "$how" = purge ]; then
        [ -z "$(dpkg-query -W -f='${Package}\n' 'qumo-shell*' 2>/dev/null)" ] || fail "dpkg still knows the packages"
    fi
    rest=$(left_behind)
    [ -z "$rest" ] || fail "left behind after $how: $rest"
    [ ! -e "$OPT/QUMOG" ] || fail "the demo's folder is still there after $how"
    [ "$(school)" = "$school_files" ] || fail "$how changed the school's files"
    [ "$(cd "$OPT" && find . -mindepth 1 | sort | tr '\n' ' ')" = "./MWEX ./MWEX/QUMOの設定.txt ./MWEX/mwex.exe ./index.html " ] \
        || fail "$OPT holds more than the school's files after $how: $(ls -R "$OPT")"
    [ "$(tree_state "$work/home/Desktop")" = "$pupil_works" ] || fail "$how touched the pupil's works"
    [ "$how" = purge ] || apt_get install "$shell" "$demo"
done
echo "PASS: installed, started as a pupil, upgraded, removed and purged; the school's files and the pupil's works kept"
