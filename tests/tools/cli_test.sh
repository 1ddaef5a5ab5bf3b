#!/usr/bin/env bash
# The two programs as a person runs them: --version, zolsim's --fault forms and request logs it cannot
# write, and a misspelt ZOL_LOG.
set -uo pipefail
zolctl=$1 zolsim=$2 version=$3
fail=0
check() { # what, expected, actual
    if [ "$2" != "$3" ]; then echo "$1: expected [$2], got [$3]"; fail=1; fi
}

check "zolctl --version" "zolctl $version" "$("$zolctl" --version)"
check "zolsim --version" "zolsim $version" "$("$zolsim" --version)"

for bad in bogus drop:0 drop:x drop:0.5 nak:-2 "delay:"; do
    "$zolsim" --fault "$bad" --tcp 127.0.100.40:0 >/dev/null 2>&1
    check "zolsim --fault $bad exits" 2 $?
done
"$zolsim" --fault drop --tcp 127.0.100.41-127.0.100.42 >/dev/null 2>&1
check "zolsim --fault with a range exits" 2 $?
# A request log zolsim cannot write ends it before it listens anywhere.
"$zolsim" --request-log "" --tcp 127.0.121.60:0 >/dev/null 2>&1
check "zolsim --request-log '' exits" 2 $?
message=$("$zolsim" --request-log /nonexistent-directory/requests.log --tcp 127.0.121.60:0 2>&1 >/dev/null)
check "zolsim --request-log into no directory exits" 1 $?
case $message in *"/nonexistent-directory/requests.log"*) ;; *) echo "zolsim does not name the log: $message"; fail=1 ;; esac
help=$("$zolsim" --help 2>&1)
case $help in *"--fault KIND[:COUNT]"*) ;; *) echo "zolsim --help does not show --fault"; fail=1 ;; esac

warnings=$(ZOL_LOG=bogus "$zolctl" --version 2>&1 >/dev/null)
check "ZOL_LOG=bogus warns once" 1 "$(echo "$warnings" | grep -c "ZOL_LOG=bogus names no log level")"
check "ZOL_LOG=info says nothing" "" "$(ZOL_LOG=info "$zolctl" --version 2>&1 >/dev/null)"
exit $fail
