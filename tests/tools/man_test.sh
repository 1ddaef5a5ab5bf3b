#!/usr/bin/env bash
# The man pages list what the programs' help lists: every zolctl subcommand and option (the
# subcommands' own options too) and every zolsim option, and zolctl(1) lists no subcommand that
# zolctl no longer has; every zold option too.
#   man_test.sh ZOLCTL ZOLSIM MAN_DIR [ZOLD] (the built pages, MAN_DIR/zolctl.1.gz ...)
set -uo pipefail
zolctl=$1 zolsim=$2 man_dir=$3 zold=${4:-}
fail=0
render() { MANWIDTH=200 man -l "$man_dir/$1.gz" 2>/dev/null | col -b; }
# The words of a CLI11 help section ("Subcommands:", "Options:"): the first column of its lines.
section_words() { # help text, section title
    echo "$1" | awk -v title="$2" '$0 == title { on = 1; next } /^[^ ]/ { on = 0 } on && /^  [^ ]/ { print $1 }'
}
# Option names from first-column words such as "-h,--help" or "--host".
option_names() { tr ',' '\n' | grep -E '^-'; }

zolctl_page=$(render zolctl.1)
zolctl_help=$("$zolctl" --help)
mapfile -t subcommands < <(section_words "$zolctl_help" "Subcommands:")
if [ ${#subcommands[@]} -lt 10 ]; then echo "read only ${#subcommands[@]} subcommands from --help"; fail=1; fi
# Where the page tells of a subcommand: its own line in SUBCOMMANDS, starting with its name.
page_subcommands=$(echo "$zolctl_page" | awk '/^SUBCOMMANDS/ { on = 1; next } /^[A-Z]/ { on = 0 }
                                               on && /^       [a-z]/ { print $1 }')
for sub in "${subcommands[@]}"; do
    if ! echo "$page_subcommands" | grep -x -- "$sub" >/dev/null; then echo "zolctl(1) has no entry for $sub"; fail=1; fi
done
for sub in $page_subcommands; do
    if ! printf '%s\n' "${subcommands[@]}" | grep -x -- "$sub" >/dev/null; then
        echo "zolctl(1) tells of $sub, which zolctl --help does not list"; fail=1
    fi
done

options=$(section_words "$zolctl_help" "Options:" | option_names)
for sub in "${subcommands[@]}"; do
    options+=$'\n'$(section_words "$("$zolctl" "$sub" --help)" "Options:" | option_names)
done
for option in $(echo "$options" | sort -u); do
    if ! echo "$zolctl_page" | grep -E -- "(^|[ ,])$option([ ,=]|$)" >/dev/null; then
        echo "zolctl(1) does not tell of $option"; fail=1
    fi
done

zolsim_page=$(render zolsim.1)
for option in $("$zolsim" --help 2>&1 | grep -oE -- '--[a-z][a-z-]*' | sort -u) -h; do
    if ! echo "$zolsim_page" | grep -E -- "(^|[ ,[])$option([] ,=]|$)" >/dev/null; then
        echo "zolsim(1) does not tell of $option"; fail=1
    fi
done

if [ -n "$zold" ]; then
    zold_page=$(render zold.1)
    zold_options=$(section_words "$("$zold" --help)" "Options:" | option_names)
    if [ "$(echo "$zold_options" | wc -l)" -lt 8 ]; then echo "read only a few zold options from --help"; fail=1; fi
    for option in $zold_options; do
        if ! echo "$zold_page" | grep -E -- "(^|[ ,])$option([ ,=]|$)" >/dev/null; then
            echo "zold(1) does not tell of $option"; fail=1
        fi
    done
fi

inventory_page=$(render zolctl-inventory.5)
for key in name host serial port id pin-file framing relay-target relay-byte model-code product-family \
           product-group product-class link-variant block-flag mac groups; do
    if ! echo "$inventory_page" | grep -E -- "(^|[ ,])$key([ ,]|$)" >/dev/null; then
        echo "zolctl-inventory(5) does not tell of the key $key"; fail=1
    fi
done
[ $fail -eq 0 ] && echo "the man pages list ${#subcommands[@]} subcommands and every option"
exit $fail
