#!/usr/bin/env bash
# Fails when the program writes a file any way but through the safe writer of src/platform
# (writeFileSafely for a file written in one go, AppendFile for one that grows). Such a path
# bypasses the checks that keep a full disk from leaving a cut or empty file reported as saved.
#   writers_check.sh ROOT    checks the tree at ROOT; prints each offending line.
set -uo pipefail
root="${1:?usage: writers_check.sh ROOT}"
cd "$root" || exit 2

found=0
report() {  # rule, then grep lines "file:line:text"
    local rule="$1" lines="$2"
    [ -n "$lines" ] || return 0
    found=1
    echo "$rule:"
    printf '%s\n' "$lines" | sed 's/^/  /'
}

sources() {  # the C++ files under the given folders that exist
    local dirs=()
    for d in "$@"; do [ -d "$d" ] && dirs+=("$d"); done
    [ ${#dirs[@]} -gt 0 ] || return 0
    find "${dirs[@]}" -type f \( -name '*.cpp' -o -name '*.h' -o -name '*.hpp' -o -name '*.cc' \) | sort
}
grep_in() {  # pattern, files...
    local pattern="$1"
    shift
    [ $# -gt 0 ] || return 0
    grep -nHE "$pattern" "$@" || true
}

mapfile -t everything < <(sources src sim tests bench fuzz)
# The program's own code, less the platform writer itself.
mapfile -t program < <(sources src sim | grep -v '^src/platform/')

# It reports a cut file as committed when the disk fills during the write.
report "QSaveFile is not used anywhere (use writeFileSafely)" "$(grep_in '\bQSaveFile\b' "${everything[@]}")"

report "Files are written through writeFileSafely or AppendFile, not by these calls" \
    "$(grep_in '\bstd::(basic_)?(o|io)?fstream\b|\b(f|fd|fre)open[[:space:]]*\(|\btmpfile[[:space:]]*\(|(^|[^A-Za-z0-9_])::(write|pwrite|creat)[[:space:]]*\(|\bQFile::(copy|link)\b|\bQTemporaryFile\b|\bQSettings\b|\bQTextDocumentWriter\b|\bQImageWriter\b|setOutputFileName' \
        "${program[@]}")"

# A document or picture may be made into memory (a QBuffer), never saved to a file by name.
report "Documents and pictures are made into a QBuffer and written with writeFileSafely" \
    "$(grep_in '(\.|->)save[[:space:]]*\([[:space:]]*[^&)[:space:]]|QPdfWriter[[:space:]]*([A-Za-z_][A-Za-z0-9_]*[[:space:]]*)?[({][[:space:]]*[^&)}[:space:]]' \
        "${program[@]}")"

# Opening for writing is allowed on a QBuffer declared in the same file, on nothing else.
opened=""
while IFS= read -r hit; do
    [ -n "$hit" ] || continue
    file="${hit%%:*}"
    object="$(printf '%s\n' "$hit" | sed -E 's/^[^:]*:[0-9]+:.*[^A-Za-z0-9_]([A-Za-z_][A-Za-z0-9_]*)(\.|->)open[[:space:]]*\(.*/\1/')"
    grep -qE "\bQBuffer[[:space:]]+$object\b" "$file" && continue
    opened+="$hit"$'\n'
done <<<"$(grep_in '(\.|->)open[[:space:]]*\([^)]*\b(WriteOnly|ReadWrite|Append|Truncate|NewOnly)\b' "${program[@]}")"
report "Files are not opened for writing outside src/platform (only a QBuffer is)" "${opened%$'\n'}"

if [ "$found" -ne 0 ]; then
    echo "FAILED: a file is written past the safe writer (src/platform/FileAccess.h)."
    exit 1
fi
echo "Every file the program writes goes through the safe writer."
