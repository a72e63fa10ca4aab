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
// origin, so that an underdetermined layout still comes out the same every time. Those preferences never
// make a size negative: where a solve shows one, the engine bounds the sizes involved at zero (above every
// preference, below required) and solves again.
//
// A large document has tens of thousands of views, and every pass visits each of them, so the state kept
// per view and per constraint is small and sits in arrays indexed from the views and constraints
// themselves (View::LayoutAccess::slot, LayoutConstraint::engineEntry_) rather than in hash maps.

#include "ui/foundation/chunked_array.h"

#include <ui/foundation/geometry.h>
#include <ui/layout/layout_constraint.h>
#include <ui/solver/solver.h>

#include <cstdint>
#include <memory>
#include <optional>
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
    // What only some views need: the content area of a layout-space root, the pins of a view that keeps
    // its frame, and bounds that keep sizes from going negative. Allocated on first use, so that the
    // many plain views of a large layout stay small.
    struct Cold {
        std::optional<Variable> contentWidth, contentHeight; // content area of a layout-space root
        std::optional<Constraint> contentPrefW, contentPrefH, contentMinW, contentMinH;
        std::optional<Constraint> minW, minH;
        // Views that keep their frames: left == origin of the superview + offsetX (likewise y), with the
        // offsets, width and height as edit variables.
        std::optional<Constraint> pinX, pinY;
        std::optional<Variable> offsetX, offsetY;
        Point pinnedOffset, pinnedFixed;
        Size pinnedSize;
        const View* pinnedParent = nullptr;
        std::uint64_t pinnedParentGeneration = 0;
    };

    // One view's state. Every pass reads it for every view, so it holds only what most views use.
    struct Slot {
        View* raw = nullptr;
        // Cached by the last structural sync: the superview, the root of the view's layout space.
        View* parent = nullptr;
        View* space = nullptr;
        std::uint64_t generation = 0; // tells a reused slot from the one an entry was built with
        // Made for the slot when a view takes it (in one allocation, see ensureSlot).
        Variable left = Variable::unset(), top = Variable::unset(), width = Variable::unset(),
                 height = Variable::unset();
        double intrinsicH =
            -1.0; // the natural height last given to the solver (views whose height follows their width)
        bool alive = false;
        bool placed = false;
        bool translates = true;      // the view keeps its frame
        bool contentBound = false;   // some constraint binds the content area's far edges
        bool heightForWidth = false; // the view's natural height depends on its width
        bool editing = false;        // the pins' edit variables are in the solver
        // The superview's slot as of the last sync; UINT32_MAX when there is no superview or it has no
        // slot. With it, the mode above and isRoot, the sweep that sets preferences never reads the views.
        std::uint32_t parentSlot = UINT32_MAX;
        // Constraints the engine owns for this view.
        std::optional<Constraint> hugW, compW, hugH, compH;
        std::optional<Constraint> prefW, prefH, prefX, prefY;
        std::unique_ptr<Cold> cold;
        // How many required equalities the solver took tie the view's position to another view (or to
        // its space's edges) along each axis: an anchored position gets no pull to the origin.
        std::uint32_t anchorsX = 0, anchorsY = 0;
    };

    // Whether the slot's view is the root of a layout space other than the window: only those get
    // content-area variables (see ensureSlot).
    static bool isRoot(const Slot& slot) { return slot.cold && slot.cold->contentWidth; }

    static Cold& coldOf(Slot& slot) {
        if (!slot.cold)
            slot.cold = std::make_unique<Cold>();
        return *slot.cold;
    }

    // A layout constraint as the solver has it. Entries live in a chunked array, and each constraint keeps
    // the index of its entry (LayoutConstraint::engineEntry_), so finding one needs no hash lookup.
    struct Entry {
        std::uint64_t key = 0; // the constraint's LayoutConstraint::uid_; 0: a free entry
        std::optional<Constraint> solverConstraint;
        std::uint64_t revision = 0;
        // The items' slots and their generations when translated: the entry stands for the constraint
        // only while both are unchanged.
        std::uint64_t firstGeneration = 0;
        std::uint64_t secondGeneration = 0;
        std::uint32_t firstSlot = UINT32_MAX;
        std::uint32_t secondSlot = UINT32_MAX;
        bool seen = false;
        bool hasSecond = false;
        // A required equality of positions that the solver took: it anchors its items along one axis.
        bool anchors = false;
        bool horizontal = false;
    };

    // A view met by the walk of sync, with its superview and the root of its layout space.
    struct Placed {
        View* view;
        View* parent;
        View* space;
    };
    // An active constraint met by the walk of sync, with what the comparison with its entry needs (read
    // while the constraint is at hand) and its items, which the window's tree holds for the whole sync.
    struct Candidate {
        LayoutConstraint* constraint;
        View* first;
        View* second;
        std::uint64_t uid;
        std::uint64_t revision;
        std::uint32_t entry;
    };

    void runUpdateConstraints(View& view);
    // Brings slots and entries up to date with the window's tree and the constraints of its views.
    void sync();
    // The steps of sync, in order.
    // Lists every view of the window, parents first; returns how many constraints they hold.
    std::size_t walkTree(std::vector<Placed>& order) const;
    // Marks the views that need variables and lists the constraints that can take part.
    void markViewsAndListConstraints(const std::vector<Placed>& order, std::vector<Candidate>& candidates);
    // Releases the slots of views that left the window or no longer need variables.
    void releaseUnmarkedSlots();
    // Gives every marked view a slot holding its place in the tree and its mode; returns how many are new.
    std::size_t placeViews(const std::vector<Placed>& order);
    // Sorts the listed constraints into new ones and ones changed while inactive, and frees the entries
    // of the constraints that are gone.
    void matchEntries(const std::vector<Candidate>& candidates, std::vector<const Candidate*>& fresh,
                      std::vector<const Candidate*>& revised);
    // Translates again the constraints that changed while inactive.
    void retranslateRevised(const std::vector<const Candidate*>& revised);
    // Translates the new constraints into entries.
    void addFreshEntries(const std::vector<const Candidate*>& fresh);
    // Brings the engine's preferences up to date for every live slot.
    void refreshAllPreferences();
    // Whether sync marked the view in this run.
    bool isMarked(const View& view) const;

    // The constraint's items are passed in: the caller holds them for the call.
    void addEntry(LayoutConstraint& c, Entry& entry, View* first, View* second);
    void removeEntry(Entry& entry);
    void countAnchors(const Entry& entry, int delta);
    bool entryIsCurrent(const Entry& entry, const LayoutConstraint& c) const;
    std::uint64_t slotGeneration(const View* view) const;
    void refreshChangedConstraints();
    void refreshIntrinsicSizes();
    bool remeasureHeightForWidth();
    void setIntrinsic(Slot& slot, LayoutAxis axis, double value);
    void setHeightForWidth(Slot& slot, bool value);
    bool refreshPins();
    void refreshPreferences(Slot& slot);
    bool boundNegativeSizes(Slot& slot);
    bool assignFrames();
    void layoutSubviewsWalk(View& view);

    std::uint32_t slotOf(const View* view) const;
    static void prefetchSlotView(const Slot& slot);
    std::uint32_t ensureSlot(View& view);
    void releaseSlot(std::uint32_t index);
    View* spaceOf(const View& view) const;
    // Adds k times the attribute of the item to e; false when the item has no variables.
    bool appendAttribute(Expression& e, View& item, LayoutAttribute attribute, bool contentArea, double k);
    std::optional<Constraint> translate(LayoutConstraint& c, View* first, View* second);
    Point positionInSpace(const View& view) const;
    void add(std::optional<Constraint>& holder, const Constraint& c);
    void remove(std::optional<Constraint>& holder);

    Window& window_;
    Solver solver_;
    detail::ChunkedArray<Slot> slots_;
    std::vector<std::uint32_t> freeSlots_;
    // The slots of views that keep their frames, as of the last sync: the only ones refreshPins holds to
    // their frames. A layout lays out most views, so a pass need not sweep every slot to find these.
    std::vector<std::uint32_t> pinned_;
    detail::ChunkedArray<Entry> entries_;
    std::vector<std::uint32_t> freeEntries_;
    Entry* findEntry(const LayoutConstraint& c);
    Entry& newEntry(LayoutConstraint& c);
    void freeEntry(std::uint32_t index);
    bool structureDirty_ = true;
    bool updateConstraintsRequested_ = false;
    std::size_t refused_ = 0; // entries the solver did not take
    std::vector<std::weak_ptr<LayoutConstraint>> changed_;
    std::vector<std::pair<std::uint32_t, std::uint64_t>> intrinsicDirty_; // (slot, generation)
    std::size_t heightForWidthCount_ = 0;
    std::uint64_t nextGeneration_ = 1;
    // The stamp of the current sync, with which it marks the views that need variables (see sync).
    std::uint64_t syncStamp_ = 0;
};

} // namespace ui
