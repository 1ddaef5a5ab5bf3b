#!/usr/bin/env bash
# Makes the Debian packages from the build, has lintian check them, unpacks them into a temporary root
# and uses them from there: the man pages, the completions, and the tree as installed_tree.sh does.
#   deb_test.sh BUILD_DIR SOURCE_DIR WORK
set -euo pipefail
build_dir=$1 source_dir=$2 work=$3
rm -rf "$work"
mkdir -p "$work"
cpack --config "$build_dir/CPackConfig.cmake" -B "$work/packages" >"$work/cpack.log" 2>&1 || {
    cat "$work/cpack.log"; exit 1
}
mapfile -t debs < <(find "$work/packages" -maxdepth 1 -name '*.deb' | sort)
names=$(for deb in "${debs[@]}"; do dpkg-deb -f "$deb" Package; done | tr '\n' ' ')
if [ "$names" != "libzolsystemutility-dev libzolsystemutility1 zolsystemutility-tools " ]; then
    echo "packages made: [$names]"; exit 1
fi

echo "--- lintian"
lintian --fail-on error "${debs[@]}"

root=$work/root
for deb in "${debs[@]}"; do dpkg-deb -x "$deb" "$root"; done

echo "--- man pages"
for page in zolctl zolsim zolctl-inventory; do
    if ! MANPATH="$root/usr/share/man" MANWIDTH=80 man "$page" 2>/dev/null | grep "^NAME" >/dev/null; then
        echo "man $page shows no page"; exit 1
    fi
done

echo "--- completions"
test -f "$root/usr/share/bash-completion/completions/zolctl"
test -f "$root/usr/share/zsh/vendor-completions/_zolctl"

exec "$source_dir/tests/packaging/installed_tree.sh" "$root/usr" "$source_dir" "$work/use" 127.0.96.5 \
     127.0.96.6-127.0.96.8
