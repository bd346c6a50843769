# Shared by the package tests: pupils' accounts, a first start of the installed program as
# a pupil, and what the X server shows of it.
# Needs: PIXELPROBE (the pixelprobe tool), DISPLAY, xdotool, xprop.

fail() { echo "FAIL: $*"; exit 1; }
note() { echo "-- $*"; }

# An ordinary account for a pupil (created once, kept: the machine's own users are never
# touched). Prints the name.
pupil_account() {
    local name="qumo-pupil$1"
    if ! id "$name" >/dev/null 2>&1; then
        flock /run/qumo-shell-test-users.lock \
            sh -c "id '$name' >/dev/null 2>&1 || useradd --system --no-create-home --user-group --shell /usr/sbin/nologin '$name'" \
            || fail "cannot create the account $name"
    fi
    echo "$name"
}

# A fresh home folder for a pupil, only theirs.
pupil_home() {
    local user=$1 home=$2
    mkdir -p "$home"
    chown "$user:" "$home"
    chmod 700 "$home"
}

# The program's folder and command line from a desktop entry (field codes dropped).
desktop_key() { sed -n "s/^$2=//p" "$1" | head -n 1; }

# Starts the program as the pupil the way a desktop starts an entry: in its Path, with its
# Exec, in a clean environment with the pupil's home and a Japanese locale. The program
# takes one picture of the screen once the home page has loaded and then closes itself
# normally (the demo's headless mode). Sets STARTED_PID (the runuser process).
start_as_pupil() {
    local user=$1 home=$2 dir=$3 exec=$4 log=$5
    runuser -u "$user" -- env -i HOME="$home" USER="$user" LOGNAME="$user" DISPLAY="$DISPLAY" \
        LANG=ja_JP.UTF-8 PATH=/usr/bin:/bin XDG_RUNTIME_DIR="$home/.run" \
        QUMO_DEMO_SCREENSHOT="$home/home-page.png" \
        sh -c 'mkdir -p -m 700 "$XDG_RUNTIME_DIR" && cd "$1" && exec $2' sh "$dir" "$exec" \
        >"$log" 2>&1 &
    STARTED_PID=$!
}

# The program's visible windows but its notice: the notice (a utility window) shows "おわります"
# while the program closes, beside the main window. A window that is gone by the time it is
# looked at belonged to a program that was ending; an error box waits for a click.
program_windows() {
    local w type
    for w in $(xdotool search --onlyvisible --classname 'QUMOG' 2>/dev/null || true); do
        type=$(xprop -id "$w" _NET_WM_WINDOW_TYPE 2>/dev/null || true)
        case "$type" in
            *_NET_WM_WINDOW_TYPE_UTILITY*) continue ;;
            *"(ATOM) ="*) ;;
            *) continue ;; # gone
        esac
        echo "$w"
    done
}

# Watches one start on the X server until the program ends by itself. Checks: one visible
# window of the program (no error box beside it) captioned with the save folder; the
# language button (right-hand column, top 395 below the 24-pixel bar) greyed when
# expect_language is "disabled" and in colour when "enabled".
watch_start() {
    local expected_title=$1 expect_language=$2 log=$3
    local win= title= seen= probe= painted=0 deadline=$((SECONDS + 150))
    while kill -0 "$STARTED_PID" 2>/dev/null; do
        [ "$SECONDS" -lt "$deadline" ] || { kill "$STARTED_PID"; cat "$log"; fail "the program did not end by itself"; }
        local wins
        wins=$(program_windows)
        if [ -n "$wins" ]; then
            [ "$(echo "$wins" | wc -l)" -eq 1 ] || {
                for w in $wins; do xdotool getwindowname "$w" 2>/dev/null || echo "(window $w gone)"; done
                fail "more than one window of the program is shown (an error box?)"; }
            win=$wins
            title=$(xdotool getwindowname "$win" 2>/dev/null || true)
            [ -z "$title" ] || seen=$title
            if [ "$title" = "$expected_title" ]; then
                # The last picture of the button before the window closes counts.
                local now
                now=$("$PIXELPROBE" "$win" -40 419 40 40 2>/dev/null || true)
                case "$now" in
                    *colours=1\ *|*colours=0\ *|"") ;;
                    *) painted=1; probe=$now ;;
                esac
            fi
        fi
        sleep 0.2
    done
    wait "$STARTED_PID" || { cat "$log"; fail "the program ended with status $?"; }
    [ -n "$win" ] || { cat "$log"; fail "no window of the program was seen"; }
    [ "$seen" = "$expected_title" ] || fail "caption '$seen', expected '$expected_title'"
    [ "$painted" -eq 1 ] || fail "the language button was never seen painted"
    note "language button: $probe"
    local saturated=${probe##*saturated=}
    case "$expect_language" in
        disabled) [ "$saturated" -eq 0 ] || fail "language button in colour (enabled): $probe" ;;
        enabled) [ "$saturated" -gt 0 ] || fail "language button grey (disabled): $probe" ;;
    esac
}

# "Z:\home\x\Desktop\さくひん\" for a host folder "/home/x/Desktop/さくひん".
windows_folder() { printf 'Z:%s\\' "$(printf '%s' "$1" | tr '/' '\\')"; }

# Every file and folder below a tree with its size and modification time, to show that
# nothing in it was written.
tree_state() { find "$1" -printf '%p %y %s %T@ %m\n' | LC_ALL=C sort; }
