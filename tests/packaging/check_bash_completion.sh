#!/usr/bin/env bash
# The bash completion, sourced as bash-completion loads it and asked as bash
# asks it: COMP_WORDS and COMP_CWORD set, the function called.
#   check_bash_completion.sh BITREEL COMPLETION-FILE
source "$(dirname "$0")/common.sh"
bitreel="$(realpath "$1")"
# shellcheck source=/dev/null
source "$(realpath "$2")"
[ "$(complete -p bitreel)" = "complete -F _bitreel bitreel" ] || fail "bitreel has no completion"

mkdir "$tmp/bin" "$tmp/work"
cd "$tmp/work"
touch game.tap GAME2.TZX a.Pzx x.jup y.DIC z.byt p.Z80 notes.txt tune.wav SONG.FLAC rec.Csw
mkdir sub && touch sub/inner.TAP
tapes="GAME2.TZX a.Pzx game.tap p.Z80 sub x.jup y.DIC z.byt"
sounds="SONG.FLAC rec.Csw tune.wav"
commands="check companion convert list play ports record rescue view"
# A bitreel whose ports are known: present ones in every state, and absent ones.
ports="$tmp/bin/bitreel"
cat >"$ports" <<'EOF'
#!/bin/sh
cat <<'PORTS'
COM1  /dev/ttyS0    opens
COM2  /dev/ttyS1    absent
COM5  /dev/ttyUSB0  in use
COM6  /dev/ttyUSB1  permission denied (join the dialout group: sudo usermod -aG dialout $USER, then log in again)
COM13 /dev/ttyACM0  does not open: Input/output error
COM14 /dev/ttyACM1  absent
PORTS
EOF
chmod +x "$ports"

# The lines of standard input sorted, on one line.
line() { LC_ALL=C sort | paste -sd' ' -; }

# complete WORD... : what bash would offer for the last word, sorted, on one line.
# The program asked is $program, bitreel itself unless a case names another.
complete_words() {
    COMP_WORDS=(bitreel "$@")
    COMP_CWORD=$#
    COMPREPLY=()
    _bitreel "${program:-$bitreel}" "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    printf '%s\n' "${COMPREPLY[@]}" | sed '/^$/d' | line
}

# Each command's options as its --help lists them.
for command in $commands; do
    want="$("$bitreel" "$command" --help | grep -Eo '^ +(-h, )?--[a-z-]+' | sed 's/.*--/--/' | line)"
    got="$(complete_words "$command" --)"
    [ "$got" = "$want" ] || fail "bitreel $command --: offered '$got', --help lists '$want'"
done

# the words before the one completed | the word completed | what is offered
cases=(
    "||$(printf '%s\n' $commands $tapes | line)"
    "list|G|GAME2.TZX"
    "list|sub/|sub/inner.TAP"
    "list --machine||ace spectrum"
    "view --png||GAME2.TZX SONG.FLAC a.Pzx game.tap notes.txt p.Z80 rec.Csw sub tune.wav x.jup y.DIC z.byt"
    "convert||$tapes"
    "convert game.tap||$(printf '%s\n' $tapes $sounds | line)"
    "convert --rate 48000 game.tap|t|tune.wav"
    "convert --rate|4|44100 48000"
    "convert --speed||1 2 3 4"
    "convert game.tap tune.wav||"
    "play --from 2||$tapes"
    "view --png out.png|--fo|--force --format"
    "play --audio --rate||22050 44100 48000 96000"
    "play --audio --level 40|--i|--invert"
    "play --audio game.tap|G|GAME2.TZX"
    "companion --for||interface1 spectrum128"
    "companion --for interface1||$(printf '%s\n' $tapes $sounds | line)"
    "companion --for interface1 game.tap||"
    "companion --audio --for interface1 x||"
    "rescue||SONG.FLAC rec.Csw sub tune.wav"
    "rescue --out||$tapes"
    "rescue --out x.tzx tune.wav|S|SONG.FLAC"
)
for case in "${cases[@]}"; do
    IFS='|' read -r before word want <<<"$case"
    read -ra words <<<"$before"
    got="$(complete_words "${words[@]}" "$word")"
    [ "$got" = "$want" ] || fail "bitreel $before '$word': offered '$got', expected '$want'"
done

# --port offers the ports bitreel ports finds present, in whatever state.
port_cases=(
    "play --port||COM1 COM13 COM5 COM6"
    "play --port|COM1|COM1 COM13"
    "record --port =|COM|COM1 COM13 COM5 COM6"
    "check --port|COM2|"
)
for case in "${port_cases[@]}"; do
    IFS='|' read -r before word want <<<"$case"
    read -ra words <<<"$before"
    got="$(program="$ports" complete_words "${words[@]}" "$word")"
    [ "$got" = "$want" ] || fail "bitreel $before '$word': offered '$got', expected '$want'"
done
echo "ok: each command's options, as its --help lists them, and $((${#cases[@]} + ${#port_cases[@]})) cases"
