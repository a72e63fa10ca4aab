#pragma once

// The layout engine of one window: turns the active layout constraints of the views in the window into
// solver constraints over four variables per view (left, top, width, height in the view's layout
// space), solves, and gives the views their frames.
//
// Layout spaces: positions are expressed in the space of the nearest enclosing window or layout-space
// root (a scroll view's content), so scrolling and zooming change no variable. A constraint from a
// view to the edges of the root of its space binds to the root's content area; sizes relate across
// spaces freely; positions in two different spaces cannot be related and such a constraint is left out.
//
// Below every priority a caller can state, the engine prefers each view as small as the constraints
// allow and, where no required equality fixes a view's position along an axis, at its superview's
// origin, so that an underdetermined layout still comes out the same every time.

#include <ui/constraints/layout_constraint.h>
#include <ui/constraints/solver.h>
#include <ui/foundation/geometry.h>

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

namespace ui {

class View;
class Window;

class LayoutEngine {
public:
    explicit LayoutEngine(Window& window);
    ~LayoutEngine();

    void markStructureDirty() { structureDirty_ = true; }
    void markUpdateConstraints() { updateConstraintsRequested_ = true; }
    // An active constraint's constant or priority changed.
    void constraintChanged(LayoutConstraint& constraint);
    // A view's natural size changed.
    void intrinsicChanged(View& view);
    // Forgets a view that left the window, with its variables and constraints.
    void viewDidLeave(View& view);
    // One layout pass: constraints, solve (again for views whose height depends on their width),
    // frames, then layoutSubviews for the views that changed or asked.
    void layoutPass();

    // Constraints left out because they contradict required constraints or relate positions of two
    // layout spaces, as of the last pass.
    std::size_t refusedConstraintCount() const { return refused_; }
    const Solver& solver() const { return solver_; }

private:
    struct Slot {
        View* raw = nullptr;
        bool alive = false;
        // Cached by the last structural sync: the superview, the root of the view's layout space, and
        // whether the view keeps its frame.
        View* parent = nullptr;
        View* space = nullptr;
        bool placed = false;
        bool translates = true;
        Variable left, top, width, height;
        std::optional<Variable> contentWidth, contentHeight; // content area of a layout-space root
        bool contentBound = false; // some constraint binds the content area's far edges
        // Constraints the engine owns for this view.
        std::optional<Constraint> hugW, compW, hugH, compH;
        double intrinsicH =
            -1.0; // the natural height last given to the solver (views whose height follows their width)
        bool heightForWidth = false; // the view's natural height depends on its width
        // Views that keep their frames: left == origin of the superview + offsetX (likewise y), with the
        // offsets, width and height as edit variables.
        std::optional<Constraint> pinX, pinY;
        std::optional<Variable> offsetX, offsetY;
        bool editing = false;
        Point pinnedOffset, pinnedFixed;
        Size pinnedSize;
        const View* pinnedParent = nullptr;
        std::uint64_t pinnedParentGeneration = 0;
        std::optional<Constraint> prefW, prefH, prefX, prefY, contentPrefW, contentPrefH;
        bool anchoredX = false, anchoredY = false;
        std::uint64_t generation = 0; // tells a reused slot from the one an entry was built with
    };

    struct Entry {
        std::weak_ptr<LayoutConstraint> constraint;
        std::optional<Constraint> solverConstraint;
        std::uint64_t revision = 0;
        std::uint64_t firstGeneration = 0; // generations of the items' slots when translated
        std::uint64_t secondGeneration = 0;
        bool seen = false;
    };

    void runUpdateConstraints(View& view);
    void sync();
    void addEntry(LayoutConstraint& c, Entry& entry);
    void removeEntry(Entry& entry);
    bool entryIsCurrent(const Entry& entry, const LayoutConstraint& c) const;
    std::uint64_t slotGeneration(const View* view) const;
    void refreshChangedConstraints();
    void refreshIntrinsicSizes();
    bool remeasureHeightForWidth();
    void setIntrinsic(Slot& slot, LayoutAxis axis, double value);
    void setHeightForWidth(Slot& slot, bool value);
    bool refreshPins();
    void refreshPreferences(Slot& slot);
    void assignFrames();
    void layoutSubviewsWalk(View& view);

    std::uint32_t slotOf(const View* view) const;
    std::uint32_t ensureSlot(View& view);
    void releaseSlot(std::uint32_t index);
    View* spaceOf(const View& view) const;
    std::optional<Expression> attributeExpression(View& item, LayoutAttribute attribute, bool contentArea);
    std::optional<Constraint> translate(LayoutConstraint& c);
    Point positionInSpace(const View& view) const;
    void add(std::optional<Constraint>& holder, const Constraint& c);
    void remove(std::optional<Constraint>& holder);

    Window& window_;
    Solver solver_;
    std::deque<Slot> slots_;
    std::vector<std::uint32_t> freeSlots_;
    std::unordered_map<const LayoutConstraint*, Entry> entries_;
    bool structureDirty_ = true;
    bool updateConstraintsRequested_ = false;
    std::size_t refused_ = 0; // entries the solver did not take
    std::vector<std::weak_ptr<LayoutConstraint>> changed_;
    std::vector<std::pair<std::uint32_t, std::uint64_t>> intrinsicDirty_; // (slot, generation)
    std::size_t heightForWidthCount_ = 0;
    std::uint64_t nextGeneration_ = 1;
};

} // namespace ui
