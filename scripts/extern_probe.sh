#!/bin/bash
# Which globals are read or written outside the folder that declares them.
#
#   scripts/extern_probe.sh [scratch folder]     (default /tmp/zav-extern-probe)
#
# Copies the worktree (tracked and untracked files, not the ignored ones) into
# the scratch folder, marks every `extern` of the program's headers
# [[deprecated]], builds everything there (tests, benchmarks, tools, fuzz
# replays) without stopping at errors, and lists each deprecated name used
# outside its folder: first in program code, then in other folders' tests,
# benchmarks, fuzz targets and tools. A folder's own tests (tests/<folder>/)
# are not listed. The repository itself is not touched.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
scratch=${1:-/tmp/zav-extern-probe}
src=$scratch/src
bld=$scratch/build
log=$scratch/build.log

rm -rf "$src"
mkdir -p "$src" "$bld"
(cd "$repo" && git ls-files -co --exclude-standard -z | xargs -0 tar -cf - --no-recursion) | tar -xf - -C "$src"
cd "$src"
grep -rlZ --include='*.h' -E '^\s*extern\b' platform core meter plot chart web imaging app |
  xargs -0 sed -i -E '/extern "C"/! s/^(\s*)extern\b/\1[[deprecated]] extern/'

cmake -S "$src" -B "$bld" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS="-O0 -g0" >/dev/null
# -Otarget keeps each compiler's lines together, so a warning meets its note.
cmake --build "$bld" -j "${JOBS:-4}" -- -k -Otarget >"$log" 2>&1 || true
echo "build: $(grep -c ' error: ' "$log" || true) errors (full log: $log)"

# A warning names the use; the "declared here" note after it names the declaration.
awk -v src="$src" -v bld="$bld" '
  function rel(p) {
    sub("^(\\.\\./)*src/", "", p); sub("^" src "/", "", p); sub("^" bld "/layers/[^/]+/", "", p)
    return p
  }
  / warning: .* is deprecated/ {
    split($0, parts, ":"); use = rel(parts[1])
    name = $0; sub(/.*warning: [^A-Za-z_]*/, "", name); sub(/[^A-Za-z_0-9].*/, "", name)
    pending = 1; next
  }
  pending && / note: declared here/ {
    split($0, parts, ":"); decl = rel(parts[1]); pending = 0
    split(decl, d, "/"); split(use, u, "/")
    if (u[1] == d[1] || (u[1] == "tests" && u[2] == d[1])) next
    kind = (u[1] == "tests" || u[1] == "bench" || u[1] == "fuzz" || u[1] == "tools") ? "2 tests, benchmarks, fuzz, tools" : "1 program code"
    print kind "|" name " (" decl ")|" use
  }' "$log" | sort -u | awk -F'|' '
  $1 != kind { print "== " substr($1, 3); kind = $1; name = "" }
  $2 != name { print "  " $2; name = $2 }
  { print "      " $3 }
  END { if (NR == 0) print "no global is used outside its folder" }'
