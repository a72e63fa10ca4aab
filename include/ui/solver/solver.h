#pragma once

// An incremental linear constraint solver in the Cassowary family.
//
// Constraints are linear equations and inequalities over `Variable`s, each with a priority from 1 to
// 1000. Priority 1000 is required: the solver either satisfies it exactly or refuses it. Lower priorities
// are preferences, ranked strictly: a constraint of priority 999 is never given up to satisfy any number
// of constraints of priority 750 or below, however many there are. Within one priority, the solver
// minimises the sum of the violations.
//
// Edit variables let a caller move a variable repeatedly (a window being resized, a drag) and re-solve
// incrementally: `addEditVariable` once, then `suggestValue` and `updateVariables` as often as needed.
//
// The solver is built for layouts with tens of thousands of views: chains of positions (each view below
// the previous one) are kept as definitions that are evaluated in order instead of being folded into the
// simplex tableau, where they would fill rows quadratically; the tableau keeps an index from each symbol
// to the rows that use it, so a pivot touches only those rows.
//
// A `Solver` is not thread-safe; use one from one thread at a time. The same holds for the variables and
// constraints it uses: their handles are counted without atomic operations (a layout copies them by
// the hundred thousand), so the handles to one variable or constraint must not be copied or dropped on
// two threads at once. Handing a whole system over to another thread, with the usual synchronisation,
// is fine.

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ui {

// Layout priorities as the platform states them: 1 to 1000, where 1000 is required.
namespace priority {
inline constexpr float required = 1000.0f;
inline constexpr float defaultHigh = 750.0f;
inline constexpr float defaultLow = 250.0f;
inline constexpr float fittingSizeLevel = 50.0f;
} // namespace priority

// A variable of the solver: a value-like handle to shared state, so copies denote the same variable.
// Its value is written by `Solver::updateVariables`.
//
// A layout has four variables per view and tens of thousands of views, so a variable is kept small: the
// handle is one pointer, counted in the state it points to, and the state holds only what solving reads.
// A name, for debugging, is kept aside and costs nothing when none is given.
class Variable {
public:
    explicit Variable(std::string name = {});
    Variable(const Variable& other) noexcept : data_(other.data_) { retain(); }
    Variable(Variable&& other) noexcept : data_(other.data_) { other.data_ = nullptr; }
    Variable& operator=(const Variable& other) noexcept {
        Variable copy(other);
        std::swap(data_, copy.data_);
        return *this;
    }
    Variable& operator=(Variable&& other) noexcept {
        std::swap(data_, other.data_);
        return *this;
    }
    ~Variable() { release(); }

    // `N` new variables made in one allocation, in creation order (a view's left, top, width and
    // height, say). They behave exactly like separately made variables; the allocation lives as long
    // as any of them.
    template <std::size_t N>
    static std::array<Variable, N> group() {
        static_assert(N > 0);
        return groupOf<N>(allocate(N), std::make_index_sequence<N>{});
    }

    // A handle to no variable, for storage that receives its variable later: it may only be assigned to,
    // copied, moved and destroyed. Makes no allocation.
    static Variable unset() noexcept { return Variable(static_cast<Data*>(nullptr)); }

    // The name given at construction or by setName; empty when none was given.
    const std::string& name() const;
    void setName(std::string name);
    double value() const { return data_->value; }

    // Identity: two handles are the same variable when they share state.
    bool sameAs(const Variable& other) const { return data_ == other.data_; }
    std::uintptr_t id() const { return reinterpret_cast<std::uintptr_t>(data_); }

private:
    friend class Solver;
    struct Data {
        double value = 0.0;
        std::uint64_t serial = 0; // creation order: the solver prefers to express newer variables
                                  // in terms of older ones (children in terms of their containers)
        // The symbol of this variable in the solver that used it last, so that the solver finds it
        // without a lookup; `solverEpoch` names that solver (and its current numbering).
        std::uint64_t solverEpoch = 0;
        std::uint32_t solverSymbol = 0;
        std::uint16_t indexInGroup = 0; // where it sits in the allocation it shares with its group
        bool named = false;             // has an entry in the table of names
        // Whether the solver named by `solverEpoch` defines this variable (see Solver::isDefined), kept
        // here so that asking reads only the variable.
        bool defined = false;
    };

    // Takes a share of an allocation made by `allocate`.
    explicit Variable(Data* data) noexcept : data_(data) { retain(); }
    // `count` variables in one allocation, with one count of handles for all of them; the first is
    // returned and the others follow it.
    static Data* allocate(std::size_t count);
    template <std::size_t N, std::size_t... I>
    static std::array<Variable, N> groupOf(Data* first, std::index_sequence<I...>) {
        return {Variable(first + I)...};
    }
    void retain() const noexcept;
    void release() noexcept;

    Data* data_;

public:
    // The state of one variable: a group's variables lie this far apart from the first one's id() on,
    // which is what a caller that asks for their memory ahead of use needs to know.
    static constexpr std::size_t stateBytes = sizeof(Data);
};

struct Term {
    Variable variable;
    double coefficient = 1.0;
};

// The terms of an expression. Layout builds millions of small expressions (one or two variables per side
// of a constraint), so up to four terms are kept inline and only longer sums allocate.
class TermList {
public:
    static constexpr std::size_t inlineCapacity = 4;
    using iterator = Term*;
    using const_iterator = const Term*;

    TermList() = default;
    TermList(std::initializer_list<Term> terms);
    TermList(const std::vector<Term>& terms); // NOLINT(google-explicit-constructor)
    TermList(const TermList& other);
    TermList(TermList&& other) noexcept;
    TermList& operator=(const TermList& other);
    TermList& operator=(TermList&& other) noexcept;
    ~TermList();

    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    Term* begin() { return data_; }
    Term* end() { return data_ + size_; }
    const Term* begin() const { return data_; }
    const Term* end() const { return data_ + size_; }
    Term& operator[](std::size_t i) { return data_[i]; }
    const Term& operator[](std::size_t i) const { return data_[i]; }

    void reserve(std::size_t capacity);
    void push_back(const Term& term);
    void push_back(Term&& term);
    // Appends [first, last), which must not point into this list.
    void append(const Term* first, const Term* last);
    // Removes every term for which `remove(term)` holds, keeping the order of the rest.
    template <class Predicate>
    void eraseIf(Predicate remove) {
        Term* out = data_;
        for (Term* in = data_; in != data_ + size_; ++in) {
            if (!remove(*in)) {
                if (out != in) {
                    *out = std::move(*in);
                }
                ++out;
            }
        }
        while (data_ + size_ != out) {
            data_[--size_].~Term();
        }
    }
    void clear();

private:
    bool isInline() const { return data_ == reinterpret_cast<const Term*>(inline_); }
    void grow(std::size_t minimum);

    alignas(Term) unsigned char inline_[inlineCapacity * sizeof(Term)];
    Term* data_ = reinterpret_cast<Term*>(inline_);
    std::size_t size_ = 0;
    std::size_t capacity_ = inlineCapacity;
};

// A linear expression: sum of terms plus a constant. Terms naming the same variable are allowed; the
// solver adds them up.
struct Expression {
    TermList terms;
    double constant = 0.0;

    Expression() = default;
    Expression(double c) : constant(c) {}              // NOLINT(google-explicit-constructor): reads like math
    Expression(const Variable& v) : terms{{v, 1.0}} {} // NOLINT(google-explicit-constructor)
    Expression(Term t) : terms{std::move(t)} {}        // NOLINT(google-explicit-constructor)
    Expression(std::vector<Term> t, double c) : terms(std::move(t)), constant(c) {}

    double value() const;
};

Expression operator+(Expression a, const Expression& b);
Expression operator-(Expression a, const Expression& b);
Expression operator-(Expression a);
Expression operator*(Expression a, double k);
Expression operator*(double k, Expression a);
Expression operator/(Expression a, double k);

enum class Relation { equal, lessOrEqual, greaterOrEqual };

// A constraint `lhs relation rhs` at a priority. Like `Variable`, a handle: copies are the same
// constraint, and the solver knows a constraint by this identity.
class Constraint {
public:
    Constraint(const Expression& lhs, Relation relation, const Expression& rhs,
               float priority = priority::required);
    // `expression relation 0`, taking the expression over (its terms of one variable are merged): no
    // copy of the terms, for callers that build a constraint's expression themselves.
    static Constraint comparingToZero(Expression expression, Relation relation,
                                      float priority = priority::required);
    Constraint(const Constraint& other) noexcept : data_(other.data_) { retain(); }
    Constraint(Constraint&& other) noexcept : data_(other.data_) { other.data_ = nullptr; }
    Constraint& operator=(const Constraint& other) noexcept {
        Constraint copy(other);
        std::swap(data_, copy.data_);
        return *this;
    }
    Constraint& operator=(Constraint&& other) noexcept {
        std::swap(data_, other.data_);
        return *this;
    }
    ~Constraint() { release(); }

    // lhs - rhs, with terms of one variable merged.
    const Expression& expression() const { return data_->expression; }
    Relation relation() const { return data_->relation; }
    float priority() const { return data_->priority; }
    bool isRequired() const { return data_->priority >= priority::required; }

    bool sameAs(const Constraint& other) const { return data_ == other.data_; }
    std::uintptr_t id() const { return reinterpret_cast<std::uintptr_t>(data_); }

private:
    friend class Solver;
    struct Data {
        Expression expression;
        Relation relation;
        float priority;
        // Where the solver that holds this constraint keeps its record (see Variable::Data).
        mutable std::uint64_t solverEpoch = 0;
        mutable std::uint32_t solverRecord = 0;
        mutable std::uint32_t handles = 0; // see the thread rule at the top
    };
    // Takes the first handle of newly made data.
    explicit Constraint(const Data* data) noexcept : data_(data) { retain(); }
    void retain() const noexcept {
        if (data_)
            ++data_->handles;
    }
    void release() noexcept;

    const Data* data_;
};

enum class SolverStatus {
    ok,
    unsatisfiable,         // a required constraint contradicts the required constraints already added
    duplicateConstraint,   // the constraint was added before
    unknownConstraint,     // removing a constraint that was never added (or was removed)
    duplicateEditVariable, // addEditVariable twice for one variable
    unknownEditVariable,   // suggestValue or removeEditVariable without addEditVariable
    invalidPriority,       // priority not within 1...1000 (edit variables: 1...1000 too)
    nonFiniteValue,        // a NaN or infinite coefficient, constant or suggested value
};

std::string_view describe(SolverStatus status);

class Solver {
public:
    Solver();
    ~Solver();
    Solver(const Solver&) = delete;
    Solver& operator=(const Solver&) = delete;
    Solver(Solver&&) noexcept;
    Solver& operator=(Solver&&) noexcept;

    // Adds a constraint. A required constraint that cannot be satisfied together with the required
    // constraints already present is refused with `unsatisfiable`, and the solver is left holding exactly
    // the constraints it held before.
    SolverStatus addConstraint(const Constraint& constraint);
    SolverStatus removeConstraint(const Constraint& constraint);
    bool hasConstraint(const Constraint& constraint) const;

    // An edit variable at a priority below required, or at 1000, which is held above every other
    // preference but still yields to required constraints. Suggesting a value then pulls the variable
    // towards it with that priority.
    SolverStatus addEditVariable(const Variable& variable, float priority);
    SolverStatus removeEditVariable(const Variable& variable);
    bool hasEditVariable(const Variable& variable) const;
    SolverStatus suggestValue(const Variable& variable, double value);

    // Writes the current solution into every variable the solver knows.
    void updateVariables();

    // Forgets every constraint and edit variable.
    void reset();

    // Makes room for about this many more constraints and new variables, so that adding a large batch
    // does not grow the solver's tables step by step. Only a hint: any number may still be added.
    void reserve(std::size_t constraints, std::size_t variables);

    std::size_t constraintCount() const;

    // Whether a required equality currently defines the variable in terms of other variables (its
    // value then follows from theirs, and a preference on it adds nothing a preference on them does
    // not).
    bool isDefined(const Variable& variable) const;

    // Statistics for benchmarks and diagnostics.
    struct Stats {
        std::size_t definitions = 0; // required equalities kept as ordered definitions
        std::size_t rows = 0;        // rows of the simplex tableau
        std::size_t cells = 0;       // non-zero entries of those rows
        std::size_t largestRow = 0;  // cells of the largest tableau row
        std::size_t pivots = 0;      // simplex pivots so far
        std::size_t symbols = 0;     // variables plus slack, error and dummy symbols, dead ones included
        std::size_t rebuilds = 0;    // times the tableau was rebuilt after a removal
    };
    Stats stats() const;

private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace ui
