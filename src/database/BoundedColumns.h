#pragma once
// Integer columns read on their full 64-bit value and checked against the range of the field that
// receives them, so a stored value never reaches the program after silent truncation. The first
// value out of range is kept as the row's problem; later reads of the same row still return a
// value (0) so a caller can finish the row and then refuse it as a whole.

#include <QString>
#include <cstdint>
#include <limits>

#include "database/ProductDatabaseConnection.h"

namespace dravik {

class BoundedColumns {
  public:
    explicit BoundedColumns(const DatabaseStatement& row) : row_(row) {}

    // The column's value when it lies within lo..hi; otherwise 0, and the problem names it.
    std::int64_t read(int column, const char* what, std::int64_t lo, std::int64_t hi) {
        const std::int64_t v = row_.integer(column);
        if (v >= lo && v <= hi) return v;
        if (problem_.isEmpty()) {
            problem_ = QStringLiteral("%1 %2 is outside %3 to %4")
                           .arg(QString::fromLatin1(what))
                           .arg(v)
                           .arg(lo)
                           .arg(hi);
        }
        return 0;
    }

    template <typename T>
    T as(int column, const char* what, std::int64_t lo = std::numeric_limits<T>::min(),
         std::int64_t hi = static_cast<std::int64_t>(std::numeric_limits<T>::max())) {
        return static_cast<T>(read(column, what, lo, hi));
    }

    // Records a problem found by the caller (the first one wins).
    void refuse(const QString& problem) {
        if (problem_.isEmpty()) problem_ = problem;
    }

    bool ok() const { return problem_.isEmpty(); }
    const QString& problem() const { return problem_; }

  private:
    const DatabaseStatement& row_;
    QString problem_;
};

}  // namespace dravik
