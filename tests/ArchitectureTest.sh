#!/usr/bin/env bash
# Holds the program's includes to the table of docs/architecture.md: each folder includes only
# the folders its row names, and Qt only where the row allows it.
# Usage: ArchitectureTest.sh SOURCE-DIR
set -u
root=$1
failed=0
rows=0
while IFS='|' read -r _ folder allowed qt _; do
  folder=$(echo "$folder" | tr -d '` ')
  [[ -z $folder || $folder == folder || $folder == ---* ]] && continue
  allowed=$(echo "$allowed" | tr -d '`')
  qt=$(echo "$qt" | tr -d ' ')
  rows=$((rows + 1))
  shopt -s nullglob
  for file in "$root/$folder"/*.cpp "$root/$folder"/*.h; do
    while IFS= read -r include; do
      dir=$(dirname "$include")
      ok=""
      for a in $allowed; do [[ $dir == "$a" ]] && ok=1; done
      if [[ -z $ok ]]; then
        echo "FAIL: ${file#"$root"/} includes $include; $folder may include: $allowed"
        failed=$((failed + 1))
      fi
    done < <(sed -n 's/^#include "\([^"]*\/[^"]*\)".*/\1/p' "$file")
    if [[ $qt == no ]] && grep -q '^#include <Q' "$file"; then
      echo "FAIL: ${file#"$root"/} includes Qt, which $folder may not"
      failed=$((failed + 1))
    fi
  done
done < <(sed -n '/<!-- includes -->/,/<!-- end includes -->/p' "$root/docs/architecture.md" | grep '^|')
# The program's folders: every folder with a .cpp or .h outside the tests, benchmarks, fuzz
# targets and build folders.
program_dirs=$(cd "$root" && find . -name '*.cpp' -o -name '*.h' | sed 's|^\./||' |
  grep -vE '^(tests|bench|fuzz|build[^/]*|dist)/' | xargs -n1 dirname | sort -u)
# The seam's lock and close are called by the owner of an open file alone (platform/OpenFile.h).
while IFS= read -r hit; do
  echo "FAIL: $hit: a lock or close outside platform/OpenFile.cpp"
  failed=$((failed + 1))
done < <(cd "$root" && for d in $program_dirs; do grep -n 'Files()\.\(Flock\|Close\)(' "$d"/*.cpp "$d"/*.h 2>/dev/null; done |
           grep -v '^platform/OpenFile\.cpp:')
# Every folder with program files has its row.
for dir in $program_dirs; do
  grep -q "^| \`$dir\` |" "$root/docs/architecture.md" || { echo "FAIL: no row for $dir"; failed=$((failed + 1)); }
done
[[ $rows -ge 10 ]] || { echo "FAIL: the table has $rows rows"; failed=$((failed + 1)); }
echo "architecture: $rows folders, $failed faults"
exit $((failed > 0))
