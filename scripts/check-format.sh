#!/usr/bin/env bash
# Fails when a tracked C++ file is not as clang-format would write it; lists those files.
set -euo pipefail
cd "$(dirname "$0")/.."
unformatted=()
while IFS= read -r file; do
  clang-format --dry-run -Werror "$file" >/dev/null 2>&1 || unformatted+=("$file")
done < <(git ls-files '*.cpp' '*.h')
if [ ${#unformatted[@]} -gt 0 ]; then
  printf 'Not formatted by clang-format (run clang-format -i on them):\n' >&2
  printf '  %s\n' "${unformatted[@]}" >&2
  exit 1
fi
echo "clang-format: every C++ file is formatted"
