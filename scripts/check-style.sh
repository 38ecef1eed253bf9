#!/usr/bin/env bash
# Lists the C++ files that are not in the repository's .clang-format style and fails when there is
# one. To put every file in style: git ls-files '*.cpp' '*.h' | xargs clang-format -i
set -euo pipefail
cd "$(dirname "$0")/.."
if ! command -v clang-format >/dev/null; then
  echo "clang-format is missing (bash scripts/install-deps.sh installs it)" >&2
  exit 1
fi
out_of_style=()
while IFS= read -r -d '' file; do
  clang-format --dry-run --Werror "$file" >/dev/null 2>&1 || out_of_style+=("$file")
done < <(git ls-files -z '*.cpp' '*.h')
if [ ${#out_of_style[@]} -gt 0 ]; then
  printf '%s\n' "${out_of_style[@]}"
  echo "${#out_of_style[@]} file(s) out of the .clang-format style;" \
    "fix: git ls-files '*.cpp' '*.h' | xargs clang-format -i" >&2
  exit 1
fi
echo "every C++ file is in the .clang-format style"
