#pragma once

// The vocabulary every part of the solver shares: symbols (the solver's own numbering of variables,
// slacks, errors and dummies), their kinds, and the tolerance below which a coefficient counts as zero.

#include <cmath>
#include <cstdint>

namespace ui::detail {

using Sym = std::uint32_t;
inline constexpr Sym kNoSym = UINT32_MAX;
inline constexpr std::uint32_t kNone = UINT32_MAX;

// Coefficients smaller than this are treated as zero: they are what is left of a cancellation.
inline constexpr double kEpsilon = 1.0e-8;
inline bool nearZero(double v) {
    return std::fabs(v) < kEpsilon;
}

enum class SymKind : std::uint8_t {
    external, // a user variable: unrestricted in sign
    slack,    // an inequality's slack: >= 0
    error,    // a preference's violation: >= 0, weighted in the objective
    dummy,    // marks a required equality: always 0, never enters the basis
};

} // namespace ui::detail
