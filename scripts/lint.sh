#!/usr/bin/env bash
# The house style: every C and C++ file as .clang-format writes it, and the
# product code clean under .clang-tidy. Usage: scripts/lint.sh [build-dir]
# (a configured build, for its compile_commands.json).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
cd "$root"
git ls-files -z '*.c' '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror
echo "clang-format: clean"
[ -f "$build/compile_commands.json" ] || { echo "no $build/compile_commands.json" >&2; exit 1; }
run-clang-tidy -quiet -p "$build" -j "$(nproc)" \
  "$root/(lib|platform|driver|ui|text|app|cli|python|packaging|service)/.*\.cpp$" >"$build/clang-tidy.log" 2>&1 || {
  grep -E '(warning|error): ' "$build/clang-tidy.log" | sort -u >&2
  exit 1
}
echo "clang-tidy: clean"
