#!/bin/sh
# Fails when a source of host/, zlink/, tools/ or sdk/ includes a path that climbs with "../": such
# an include reaches a folder through the file system instead of through the libraries its folder
# links, and so gets past the layering the build enforces. Prints each such line as FILE:LINE: TEXT.
#   scripts/check_includes.sh [ROOT]   ROOT is the checkout (default: the one holding this script)
# The tracked sources are checked (git ls-files); outside a git checkout, every C or C++ file.
root=${1:-$(dirname "$0")/..}
cd "$root" || { echo "check_includes: cannot enter $root" >&2; exit 2; }
pattern='^[[:space:]]*#[[:space:]]*include[[:space:]]*["<][^">]*\.\./'
if git rev-parse --is-inside-work-tree > /dev/null 2>&1 && [ "$(git rev-parse --show-prefix)" = "" ]; then
  files=$(git ls-files -- host zlink tools sdk | grep -E '\.(c|cc|cpp|cxx|h|hh|hpp|inc)$')
else
  files=$(find host zlink tools sdk -type f \( -name '*.c' -o -name '*.cc' -o -name '*.cpp' -o -name '*.cxx' \
    -o -name '*.h' -o -name '*.hh' -o -name '*.hpp' -o -name '*.inc' \) 2> /dev/null | sort)
fi
if [ -z "$files" ]; then
  echo "check_includes: no sources of host/, zlink/, tools/ or sdk/ under $root" >&2
  exit 2
fi
found=$(printf '%s\n' "$files" | tr '\n' '\0' | xargs -0 grep -nE "$pattern" /dev/null)
if [ -n "$found" ]; then
  printf '%s\n' "$found"
  count=$(printf '%s\n' "$found" | wc -l)
  echo "check_includes: $count include(s) climb with \"../\"; include through the folder's libraries instead" >&2
  exit 1
fi
count=$(printf '%s\n' "$files" | wc -l)
echo "check_includes: $count sources, none includes with \"../\""
