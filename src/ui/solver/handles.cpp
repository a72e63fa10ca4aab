#include "ui/solver/solver.h"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <new>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

// The values the solver's interface is written in: variables, the term lists and expressions built from
// them, and constraints. Callers make them by the hundred thousand, so variables and constraints are
// counted handles to shared state and short expressions keep their terms inline.

namespace ui {

// --- Variable ---

namespace {

std::atomic<std::uint64_t> variableSerials{0};

// Names of variables, for debugging: few variables have one, so they live here rather than in every
// variable. Never destroyed, so that variables that outlive static destruction can still leave it.
struct NameTable {
    std::mutex mutex;
    std::unordered_map<const void*, std::string> names;
};

NameTable& nameTable() {
    static NameTable* table = new NameTable();
    return *table;
}

// The allocation a group of variables shares: this header, then the variables. The header counts the
// handles to any of them (without atomic operations: see the thread rule of solver.h).
struct VariableGroupHeader {
    std::uint32_t handles = 0;
    std::uint32_t count = 0;
};
static_assert(sizeof(VariableGroupHeader) == 8); // the variables after it stay 8-byte aligned

} // namespace

Variable::Data* Variable::allocate(std::size_t count) {
    if (count == 0 || count > UINT16_MAX)
        throw std::length_error("Variable::group: a group holds 1 to 65535 variables");
    void* memory = ::operator new(sizeof(VariableGroupHeader) + count * sizeof(Data));
    auto* header = new (memory) VariableGroupHeader();
    header->count = static_cast<std::uint32_t>(count);
    auto* first = reinterpret_cast<Data*>(static_cast<char*>(memory) + sizeof(VariableGroupHeader));
    const std::uint64_t serial = variableSerials.fetch_add(count, std::memory_order_relaxed) + 1;
    for (std::size_t i = 0; i < count; ++i) {
        Data* d = new (first + i) Data();
        d->serial = serial + i;
        d->indexInGroup = static_cast<std::uint16_t>(i);
    }
    return first;
}

namespace {

VariableGroupHeader* headerOf(const void* data, std::size_t index, std::size_t size) {
    return reinterpret_cast<VariableGroupHeader*>(const_cast<char*>(static_cast<const char*>(data)) -
                                                  index * size - sizeof(VariableGroupHeader));
}

} // namespace

void Variable::retain() const noexcept {
    if (data_)
        ++headerOf(data_, data_->indexInGroup, sizeof(Data))->handles;
}

void Variable::release() noexcept {
    if (!data_)
        return;
    VariableGroupHeader* header = headerOf(data_, data_->indexInGroup, sizeof(Data));
    data_ = nullptr;
    if (--header->handles != 0)
        return;
    auto* first = reinterpret_cast<Data*>(reinterpret_cast<char*>(header) + sizeof(VariableGroupHeader));
    for (std::uint32_t i = 0; i < header->count; ++i) {
        if (first[i].named) {
            NameTable& table = nameTable();
            const std::lock_guard<std::mutex> lock(table.mutex);
            table.names.erase(first + i);
        }
        first[i].~Data();
    }
    header->~VariableGroupHeader();
    ::operator delete(static_cast<void*>(header));
}

Variable::Variable(std::string name) : data_(allocate(1)) {
    retain();
    if (!name.empty())
        setName(std::move(name));
}

const std::string& Variable::name() const {
    static const std::string none;
    if (!data_->named)
        return none;
    NameTable& table = nameTable();
    const std::lock_guard<std::mutex> lock(table.mutex);
    return table.names[data_]; // map nodes do not move, so the reference stays valid
}

void Variable::setName(std::string name) {
    NameTable& table = nameTable();
    const std::lock_guard<std::mutex> lock(table.mutex);
    if (name.empty()) {
        if (data_->named)
            table.names.erase(data_);
        data_->named = false;
        return;
    }
    table.names[data_] = std::move(name);
    data_->named = true;
}

// --- TermList ---

TermList::TermList(std::initializer_list<Term> terms) {
    reserve(terms.size());
    for (const Term& t : terms)
        push_back(t);
}

TermList::TermList(const std::vector<Term>& terms) {
    append(terms.data(), terms.data() + terms.size());
}

TermList::TermList(const TermList& other) {
    append(other.begin(), other.end());
}

TermList::TermList(TermList&& other) noexcept {
    if (other.isInline()) {
        for (std::size_t i = 0; i < other.size_; ++i)
            new (data_ + i) Term(std::move(other.data_[i]));
        size_ = other.size_;
        other.clear();
    } else {
        data_ = other.data_;
        size_ = other.size_;
        capacity_ = other.capacity_;
        other.data_ = reinterpret_cast<Term*>(other.inline_);
        other.size_ = 0;
        other.capacity_ = inlineCapacity;
    }
}

TermList& TermList::operator=(const TermList& other) {
    if (this != &other) {
        clear();
        append(other.begin(), other.end());
    }
    return *this;
}

TermList& TermList::operator=(TermList&& other) noexcept {
    if (this != &other) {
        this->~TermList();
        new (this) TermList(std::move(other));
    }
    return *this;
}

TermList::~TermList() {
    clear();
    if (!isInline())
        ::operator delete(data_);
}

void TermList::clear() {
    while (size_ > 0)
        data_[--size_].~Term();
}

void TermList::grow(std::size_t minimum) {
    const std::size_t capacity = std::max(minimum, capacity_ * 2);
    auto* fresh = static_cast<Term*>(::operator new(capacity * sizeof(Term)));
    for (std::size_t i = 0; i < size_; ++i) {
        new (fresh + i) Term(std::move(data_[i]));
        data_[i].~Term();
    }
    if (!isInline())
        ::operator delete(data_);
    data_ = fresh;
    capacity_ = capacity;
}

void TermList::reserve(std::size_t capacity) {
    if (capacity > capacity_)
        grow(capacity);
}

void TermList::push_back(const Term& term) {
    if (size_ == capacity_) {
        Term copy = term; // `term` may live in this list
        grow(size_ + 1);
        new (data_ + size_) Term(std::move(copy));
    } else {
        new (data_ + size_) Term(term);
    }
    ++size_;
}

void TermList::push_back(Term&& term) {
    if (size_ == capacity_) {
        Term moved = std::move(term);
        grow(size_ + 1);
        new (data_ + size_) Term(std::move(moved));
    } else {
        new (data_ + size_) Term(std::move(term));
    }
    ++size_;
}

void TermList::append(const Term* first, const Term* last) {
    reserve(size_ + static_cast<std::size_t>(last - first));
    for (; first != last; ++first)
        new (data_ + size_++) Term(*first);
}

// --- Expression ---

double Expression::value() const {
    double v = constant;
    for (const Term& t : terms)
        v += t.coefficient * t.variable.value();
    return v;
}

Expression operator+(Expression a, const Expression& b) {
    if (&a == &b) {
        const TermList copy = b.terms;
        a.terms.append(copy.begin(), copy.end());
    } else {
        a.terms.append(b.terms.begin(), b.terms.end());
    }
    a.constant += b.constant;
    return a;
}

Expression operator-(Expression a) {
    for (Term& t : a.terms)
        t.coefficient = -t.coefficient;
    a.constant = -a.constant;
    return a;
}

Expression operator-(Expression a, const Expression& b) {
    return std::move(a) + (-b);
}

Expression operator*(Expression a, double k) {
    for (Term& t : a.terms)
        t.coefficient *= k;
    a.constant *= k;
    return a;
}

Expression operator*(double k, Expression a) {
    return std::move(a) * k;
}
Expression operator/(Expression a, double k) {
    return std::move(a) * (1.0 / k);
}

// --- Constraint ---

namespace {

// Terms of one variable are added into the first of them, in order, and terms that cancel are dropped.
void normaliseInPlace(Expression& e) {
    TermList& terms = e.terms;
    for (std::size_t i = 0; i < terms.size(); ++i) {
        for (std::size_t j = 0; j < i; ++j) {
            if (terms[j].variable.sameAs(terms[i].variable)) {
                terms[j].coefficient += terms[i].coefficient;
                terms[i].coefficient = 0.0; // dropped below, with the terms that cancel
                break;
            }
        }
    }
    terms.eraseIf([](const Term& t) { return t.coefficient == 0.0; });
}

// lhs - rhs, normalised.
Expression normalise(const Expression& lhs, const Expression& rhs) {
    Expression out;
    out.constant = lhs.constant - rhs.constant;
    out.terms.reserve(lhs.terms.size() + rhs.terms.size());
    for (const Term& t : lhs.terms)
        out.terms.push_back(t);
    for (const Term& t : rhs.terms)
        out.terms.push_back({t.variable, -t.coefficient});
    normaliseInPlace(out);
    return out;
}

} // namespace

Constraint::Constraint(const Expression& lhs, Relation relation, const Expression& rhs, float priority) {
    auto* data = new Data{normalise(lhs, rhs), relation, priority};
    data_ = data;
    retain();
}

Constraint Constraint::comparingToZero(Expression expression, Relation relation, float priority) {
    normaliseInPlace(expression);
    return Constraint(new Data{std::move(expression), relation, priority});
}

void Constraint::release() noexcept {
    const Data* data = data_;
    data_ = nullptr;
    if (data && --data->handles == 0)
        delete data;
}

} // namespace ui
