#!/usr/bin/env bash
# Installs what is missing, builds the program and starts it in the current folder, where its
# data file Quillmarsh.dat lives.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$root/build" -j"$(nproc)" --target quillmarsh
exec "$root/build/app/quillmarsh" "$@"
