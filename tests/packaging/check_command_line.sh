#!/usr/bin/env bash
# The options that work before the command line grows: --version, --help and
# an unknown option, each without a display; and the window without one.
#   check_command_line.sh BITREEL VERSION
source "$(dirname "$0")/common.sh"
bitreel="$1"
version="$2"

# Without a display a window could not open, so each case proves that the
# option is handled before any window is made.
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM

# expect WHAT FILE WANT: WANT empty = nothing written, "=TEXT" = exactly TEXT,
# else an extended regular expression that some line matches.
expect() {
    local got
    got="$(cat "$2")"
    case "$3" in
    "") [ -z "$got" ] ;;
    =*) [ "$got" = "${3#=}" ] ;;
    *) grep -Eq -- "$3" "$2" ;;
    esac || fail "$1: got '$got', expected '$3'"
}

# The window, asked for without a display, says so in one line.
touch "$tmp/game.tap"
no_display="=bitreel: no display for the window; the commands work without one (bitreel --help)"

# arguments | exit status | standard output | standard error
cases=(
    "--version|0|=Bitreel $version|"
    "-v|0|=Bitreel $version|"
    "--help|0|^ *-v, --version|"
    "--help|0|^Usage: bitreel \[options\]|"
    "--help-all|0|^Usage: bitreel \[options\]|"
    "--no-such-option|1||no-such-option"
    "|1||$no_display"
    "$tmp/game.tap|1||$no_display"
)
for case in "${cases[@]}"; do
    IFS='|' read -r args want_status want_out want_err <<<"$case"
    status=0
    "$bitreel" $args >"$tmp/out" 2>"$tmp/err" </dev/null || status=$?
    [ "$status" -eq "$want_status" ] || fail "bitreel $args: exit status $status, expected $want_status"
    expect "bitreel $args, standard output" "$tmp/out" "$want_out"
    expect "bitreel $args, standard error" "$tmp/err" "$want_err"
    echo "ok: bitreel $args"
done
