#!/usr/bin/env bash
# The shell completions: bash completes what a person types (table below), both scripts know every
# subcommand and option that zolctl --help lists, and the zsh script parses.
#   completion_test.sh ZOLCTL SOURCE_DIR WORK
set -uo pipefail
zolctl=$1 source_dir=$2 work=$3
bash_script=$source_dir/tools/completion/zolctl.bash
zsh_script=$source_dir/tools/completion/_zolctl
fail=0
mkdir -p "$work/bin"
ln -sf "$zolctl" "$work/bin/zolctl"
export PATH="$work/bin:$PATH" HOME="$work"
unset ZOL_INVENTORY
cat >"$work/inventory.toml" <<'TOML'
[[display]]
name = "lobby-1"
host = "127.0.96.20"
groups = ["lobby"]
[[display]]
name = "lobby-2"
host = "127.0.96.20"
id = 2
groups = ["lobby", "wall-a"]
TOML

# The words bash offers for a command line whose last word is being typed.
complete_line() { # words...
    bash -c 'source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _zolctl; printf "%s\n" "${COMPREPLY[@]}"' \
        _ "$bash_script" "$@" | sort | tr '\n' ' '
}

# line (the last word is the one being completed) | words that must be offered | words that must not
cases=(
    "zolctl st|status |"
    "zolctl p|probe-framing |"
    "zolctl --id 3 st|status |"
    "zolctl --json|--json --jsonl |"
    "zolctl ops --d|--describe --deadline |"
    "zolctl firmware --di|--display |"
    "zolctl op RefreshA|RefreshAll |"
    "zolctl --host 127.0.0.1 op RefreshA|RefreshAll |"
    "zolctl ops --describe RefreshB|RefreshBasicStatus |"
    "zolctl op RefreshAll |||RefreshAll"
    "zolctl trust |add install |"
    "zolctl --inventory $work/inventory.toml --target lob|lobby-1 lobby-2 |"
    "zolctl --inventory $work/inventory.toml --target @|@lobby @wall-a |lobby-1"
    "zolctl --inventory $work/inventory.toml --target a|all |"
    "zolctl --target |||lobby-1"
)
for entry in "${cases[@]}"; do
    IFS='|' read -r line wanted _ unwanted <<<"$entry"
    read -ra words <<<"$line"
    [[ $line == *" " ]] && words+=("")
    got=$(complete_line "${words[@]}")
    for word in $wanted; do
        if [[ " $got" != *" $word "* ]]; then echo "[$line]: expected $word in [$got]"; fail=1; fi
    done
    for word in $unwanted; do
        if [[ " $got" == *" $word "* ]]; then echo "[$line]: did not expect $word in [$got]"; fail=1; fi
    done
done

# Every subcommand and option of --help, in both scripts.
help=$("$zolctl" --help)
subcommands=$(echo "$help" | awk '/^Subcommands:/ { on = 1; next } /^[^ ]/ { on = 0 } on && /^  [^ ]/ { print $1 }')
options=$(echo "$help" | awk '/^Options:/ { on = 1; next } /^[^ ]/ { on = 0 } on && /^  -/ { print $1 }' | tr ',' '\n')
for sub in $subcommands; do
    got=$(complete_line zolctl "$sub")
    if [[ " $got" != *" $sub "* ]]; then echo "bash does not complete the subcommand $sub"; fail=1; fi
    if ! grep -q "'$sub:" "$zsh_script"; then echo "zsh does not know the subcommand $sub"; fail=1; fi
done
for option in $options; do
    got=$(complete_line zolctl "$option")
    if [[ " $got" != *" $option "* ]]; then echo "bash does not complete $option"; fail=1; fi
    if ! grep -qE -- "(^|[^a-z-])$option([^a-z-]|$)" "$zsh_script"; then echo "zsh does not know $option"; fail=1; fi
done
if ! zsh -n "$zsh_script"; then echo "_zolctl does not parse"; fail=1; fi
[ $fail -eq 0 ] && echo "completion: ${#cases[@]} lines, $(echo $subcommands | wc -w) subcommands, every option"
exit $fail
