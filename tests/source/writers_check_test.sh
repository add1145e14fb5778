#!/usr/bin/env bash
# The writers check itself: each planted way of writing past the safe writer is caught, and the
# ways the program rightly uses (a QBuffer, the platform writer, reading) pass.
#   writers_check_test.sh CHECK    CHECK is writers_check.sh
set -uo pipefail
check="${1:?usage: writers_check_test.sh CHECK}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

failures=0
# expected ("caught" or "passes"), file under the tree, its one line of code
cases=(
    "caught|src/app/Copy.cpp|#include <QSaveFile>"
    "caught|tests/unit/x_test.cpp|    QSaveFile out(path);"
    "caught|src/platform/linux/FileAccess.cpp|    QSaveFile out(path);"
    "caught|src/link/Writer.cpp|    if (!file_.open(QIODevice::WriteOnly | QIODevice::Truncate)) return;"
    "caught|src/link/Writer.cpp|    out->open(QFile::Append);"
    "caught|sim/Dump.cpp|    f.open(QIODevice::ReadWrite);"
    "caught|src/app/Log.cpp|    std::ofstream out(name);"
    "caught|src/app/Log.cpp|    FILE* f = std::fopen(name, \"w\");"
    "caught|src/app/Log.cpp|    ::write(fd, p, n);"
    "caught|src/app/Log.cpp|    QFile::copy(from, to);"
    "caught|src/app/Shot.cpp|    picture.save(path, \"PNG\");"
    "caught|src/app/Report.cpp|    QPdfWriter writer(path);"
    "caught|src/app/Settings.cpp|    QSettings settings(path, QSettings::IniFormat);"
    "passes|src/app/Report.cpp|    QBuffer buffer(&bytes); buffer.open(QIODevice::WriteOnly);"
    "passes|src/app/Shot.cpp|    QBuffer buffer(&png); picture.save(&buffer, \"PNG\"); QPdfWriter writer(&buffer);"
    "passes|src/platform/linux/FileAccess.cpp|    const ssize_t n = ::write(fd, p, left);"
    "passes|src/app/Read.cpp|    f.open(QIODevice::ReadOnly);"
    "passes|sim/Bench.cpp|void Bench::write(const Report& report) { bench_.write(out); }"
    "passes|tests/unit/y_test.cpp|    ASSERT_TRUE(f.open(QIODevice::WriteOnly));"
)
for c in "${cases[@]}"; do
    IFS='|' read -r expected file line <<<"$c"
    tree="$work/tree"
    rm -rf "$tree"
    mkdir -p "$tree/$(dirname "$file")"
    printf '%s\n' "$line" >"$tree/$file"
    if "$check" "$tree" >"$work/out" 2>&1; then got=passes; else got=caught; fi
    if [ "$got" != "$expected" ]; then
        echo "FAILED: expected $expected, got $got: $file: $line"
        sed 's/^/  /' "$work/out"
        failures=$((failures + 1))
    fi
done
echo "$(( ${#cases[@]} - failures )) passed, $failures failed"
[ "$failures" -eq 0 ]
