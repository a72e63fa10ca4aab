#pragma once

// Helpers shared by the solver's tests: the tolerance of a solved value, and constraints written as
// relations between two expressions.

#include <ui/solver/solver.h>

namespace ui::solver_test {

constexpr double kTol = 1e-6;

inline Constraint eq(const Expression& a, const Expression& b, float p = priority::required) {
    return Constraint(a, Relation::equal, b, p);
}
inline Constraint le(const Expression& a, const Expression& b, float p = priority::required) {
    return Constraint(a, Relation::lessOrEqual, b, p);
}
inline Constraint ge(const Expression& a, const Expression& b, float p = priority::required) {
    return Constraint(a, Relation::greaterOrEqual, b, p);
}

} // namespace ui::solver_test
