#pragma once

// Layout constraints between views: `first.attribute relation second.attribute * multiplier + constant`
// at a priority, and the anchors that build them.
//
// A constraint refers to its views weakly; an active constraint is kept alive by the views it relates
// (and by the window's layout engine while they are in a window). Activating a constraint takes effect
// at the next layout pass of the window that contains its views.

#include <ui/foundation/geometry.h>
#include <ui/solver/solver.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace ui {

class View;

enum class LayoutAttribute : std::uint8_t {
    notAnAttribute,
    left,
    right,
    top,
    bottom,
    leading,  // left: layout is left-to-right only
    trailing, // right
    width,
    height,
    centerX,
    centerY,
};

enum class LayoutAxis { horizontal = 0, vertical = 1 };

enum class LayoutRelation : std::int8_t { lessThanOrEqual = -1, equal = 0, greaterThanOrEqual = 1 };

using LayoutPriority = float;
// The platform's named priorities: the solver's own.
namespace layoutPriority = priority;

bool isHorizontal(LayoutAttribute attribute);
bool isSize(LayoutAttribute attribute);

// Thrown for a visual format string that does not parse. This is a programming error in the caller.
class VisualFormatError : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

class LayoutConstraint : public std::enable_shared_from_this<LayoutConstraint> {
public:
    // first.firstAttribute relation second.secondAttribute * multiplier + constant. Without a second item
    // (only for width and height), the constraint relates the first attribute to the constant.
    static std::shared_ptr<LayoutConstraint> create(const std::shared_ptr<View>& firstItem,
                                                    LayoutAttribute firstAttribute, LayoutRelation relation,
                                                    const std::shared_ptr<View>& secondItem,
                                                    LayoutAttribute secondAttribute, double multiplier = 1.0,
                                                    double constant = 0.0);

    std::shared_ptr<View> firstItem() const { return firstItem_.lock(); }
    LayoutAttribute firstAttribute() const { return firstAttribute_; }
    LayoutRelation relation() const { return relation_; }
    std::shared_ptr<View> secondItem() const { return secondItem_.lock(); }
    LayoutAttribute secondAttribute() const { return secondAttribute_; }
    double multiplier() const { return multiplier_; }

    double constant() const { return constant_; }
    void setConstant(double constant);

    LayoutPriority priority() const { return priority_; }
    // Priorities run from 1 to 1000; values outside are clamped.
    void setPriority(LayoutPriority priority);

    bool isActive() const { return active_; }
    void setActive(bool active);

    std::string identifier() const { return std::string(identifier_.view()); }
    void setIdentifier(std::string_view identifier) { identifier_.assign(identifier); }

    static void activate(const std::vector<std::shared_ptr<LayoutConstraint>>& constraints);
    static void deactivate(const std::vector<std::shared_ptr<LayoutConstraint>>& constraints);

    // Constraints described by a visual format such as "H:|-[a]-(>=8)-[b(80)]-|". Throws
    // VisualFormatError, naming the problem and its position, when the format does not parse or names a
    // view or metric that was not given.
    static std::vector<std::shared_ptr<LayoutConstraint>>
    constraints(std::string_view visualFormat, const std::map<std::string, double>& metrics,
                const std::map<std::string, std::shared_ptr<View>>& views);

    // Bumped whenever the constant, priority or activity changes, so that a layout engine can tell
    // which constraints to refresh.
    std::uint64_t revision() const { return revision_; }

private:
    friend class LayoutEngine;
    // Lets `create` make the constraint and its shared count in one allocation while no one else can
    // construct one.
    struct Private {
        explicit Private() = default;
    };

public:
    explicit LayoutConstraint(Private) {}

private:
    void changed();

    // The items while they live, for the layout engine, which reads every constraint of a window on each
    // structural change: a plain check of the weak count instead of taking and dropping a share.
    View* firstItemIfAlive() const { return firstItem_.expired() ? nullptr : firstRaw_; }
    View* secondItemIfAlive() const { return secondItem_.expired() ? nullptr : secondRaw_; }

    std::weak_ptr<View> firstItem_;
    std::weak_ptr<View> secondItem_;
    View* firstRaw_ = nullptr; // valid only while firstItem_ has not expired
    View* secondRaw_ = nullptr;
    double multiplier_ = 1.0;
    double constant_ = 0.0;
    // A name of up to 15 characters (the stack views' own, of which a large layout has tens of thousands)
    // sits in the constraint itself; a longer one is kept on the heap.
    class Identifier {
    public:
        Identifier() = default;
        Identifier(const Identifier&) = delete;
        Identifier& operator=(const Identifier&) = delete;
        ~Identifier() { clear(); }
        std::string_view view() const {
            if (bytes_[kTag] == kLong)
                return *heapString();
            return {bytes_, static_cast<std::size_t>(bytes_[kTag])};
        }
        void assign(std::string_view text) {
            clear();
            if (text.size() <= kTag) {
                text.copy(bytes_, text.size());
                bytes_[kTag] = static_cast<char>(text.size());
            } else {
                auto* heap = new std::string(text);
                std::memcpy(bytes_, &heap, sizeof heap);
                bytes_[kTag] = kLong;
            }
        }

    private:
        static constexpr std::size_t kTag = 15; // the byte that holds the inline length
        static constexpr char kLong = -1;       // the first bytes hold a pointer to the name instead
        std::string* heapString() const {
            std::string* heap = nullptr;
            std::memcpy(&heap, bytes_, sizeof heap);
            return heap;
        }
        void clear() {
            if (bytes_[kTag] == kLong)
                delete heapString();
            bytes_[kTag] = 0;
        }
        char bytes_[16] = {};
    };
    Identifier identifier_;
    std::uint64_t revision_ = 0;
    // A number no other constraint has, by which the layout engine tells its entry for this constraint
    // from one left by a constraint that is gone, and where the engine of the constraint's window keeps
    // that entry.
    std::uint64_t uid_ = 0;
    std::uint32_t engineEntry_ = UINT32_MAX;
    LayoutAttribute firstAttribute_ = LayoutAttribute::notAnAttribute;
    LayoutAttribute secondAttribute_ = LayoutAttribute::notAnAttribute;
    LayoutRelation relation_ = LayoutRelation::equal;
    LayoutPriority priority_ = layoutPriority::required;
    bool active_ = false;
};

// Anchors: a view and one of its attributes, from which constraints are made.
class LayoutAnchor {
public:
    LayoutAnchor(std::weak_ptr<View> view, LayoutAttribute attribute)
        : view_(std::move(view)), attribute_(attribute) {}
    std::shared_ptr<View> view() const { return view_.lock(); }
    LayoutAttribute attribute() const { return attribute_; }

protected:
    std::shared_ptr<LayoutConstraint> make(LayoutRelation relation, const LayoutAnchor* other,
                                           double multiplier, double constant) const;

private:
    std::weak_ptr<View> view_;
    LayoutAttribute attribute_;
};

// Left, right, leading, trailing and centre X; or top, bottom and centre Y. Position anchors relate only
// to anchors of the same axis (the type system keeps the axes apart).
template <class Axis>
class LayoutPositionAnchor : public LayoutAnchor {
public:
    using LayoutAnchor::LayoutAnchor;
    std::shared_ptr<LayoutConstraint> constraintEqualTo(const Axis& other, double constant = 0.0) const {
        return make(LayoutRelation::equal, &other, 1.0, constant);
    }
    std::shared_ptr<LayoutConstraint> constraintLessThanOrEqualTo(const Axis& other,
                                                                  double constant = 0.0) const {
        return make(LayoutRelation::lessThanOrEqual, &other, 1.0, constant);
    }
    std::shared_ptr<LayoutConstraint> constraintGreaterThanOrEqualTo(const Axis& other,
                                                                     double constant = 0.0) const {
        return make(LayoutRelation::greaterThanOrEqual, &other, 1.0, constant);
    }
};

class LayoutXAxisAnchor : public LayoutPositionAnchor<LayoutXAxisAnchor> {
public:
    using LayoutPositionAnchor::LayoutPositionAnchor;
};

class LayoutYAxisAnchor : public LayoutPositionAnchor<LayoutYAxisAnchor> {
public:
    using LayoutPositionAnchor::LayoutPositionAnchor;
};

class LayoutDimension : public LayoutAnchor {
public:
    using LayoutAnchor::LayoutAnchor;
    std::shared_ptr<LayoutConstraint> constraintEqualTo(const LayoutDimension& other, double multiplier = 1.0,
                                                        double constant = 0.0) const {
        return make(LayoutRelation::equal, &other, multiplier, constant);
    }
    std::shared_ptr<LayoutConstraint> constraintLessThanOrEqualTo(const LayoutDimension& other,
                                                                  double multiplier = 1.0,
                                                                  double constant = 0.0) const {
        return make(LayoutRelation::lessThanOrEqual, &other, multiplier, constant);
    }
    std::shared_ptr<LayoutConstraint> constraintGreaterThanOrEqualTo(const LayoutDimension& other,
                                                                     double multiplier = 1.0,
                                                                     double constant = 0.0) const {
        return make(LayoutRelation::greaterThanOrEqual, &other, multiplier, constant);
    }
    std::shared_ptr<LayoutConstraint> constraintEqualToConstant(double constant) const {
        return make(LayoutRelation::equal, nullptr, 0.0, constant);
    }
    std::shared_ptr<LayoutConstraint> constraintLessThanOrEqualToConstant(double constant) const {
        return make(LayoutRelation::lessThanOrEqual, nullptr, 0.0, constant);
    }
    std::shared_ptr<LayoutConstraint> constraintGreaterThanOrEqualToConstant(double constant) const {
        return make(LayoutRelation::greaterThanOrEqual, nullptr, 0.0, constant);
    }
};

} // namespace ui
