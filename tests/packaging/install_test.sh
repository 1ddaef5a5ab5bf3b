#!/usr/bin/env bash
# Installs the build into a temporary prefix (never /usr/local) and uses it from there.
#   install_test.sh BUILD_DIR SOURCE_DIR WORK
set -euo pipefail
build_dir=$1 source_dir=$2 work=$3
rm -rf "$work"
cmake --install "$build_dir" --prefix "$work/prefix" >/dev/null
# Nothing installed may hold the prefix: the tree must work wherever it is moved.
mv "$work/prefix" "$work/moved"
if grep -rlF "$work/prefix" "$work/moved"; then echo "files above name the install prefix"; exit 1; fi
exec "$source_dir/tests/packaging/installed_tree.sh" "$work/moved" "$source_dir" "$work/use" 127.0.96.1 \
     127.0.96.2-127.0.96.4
