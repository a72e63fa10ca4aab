#include <ui/foundation/weak.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace ui {
namespace {

struct Listener {
    virtual ~Listener() = default;
    virtual std::string name() const = 0;
};

struct NamedListener : Listener {
    explicit NamedListener(std::string n, bool* destroyed = nullptr) : label(std::move(n)), flag(destroyed) {}
    ~NamedListener() override {
        if (flag != nullptr) {
            *flag = true;
        }
    }
    std::string name() const override { return label; }

    std::string label;
    bool* flag;
};

using ListenerList = std::vector<std::shared_ptr<Weak<Listener>>>;

std::shared_ptr<Weak<Listener>> entryFor(const std::shared_ptr<NamedListener>& listener) {
    return std::make_shared<Weak<Listener>>(listener);
}

TEST(Weak, LockFollowsTheObjectsLifetime) {
    auto listener = std::make_shared<NamedListener>("a");
    const Weak<Listener> weak(listener);
    ASSERT_NE(weak.lock(), nullptr);
    EXPECT_EQ(weak.lock()->name(), "a");
    EXPECT_FALSE(weak.expired());
    // The reference does not keep the object alive.
    EXPECT_EQ(listener.use_count(), 1);

    listener.reset();
    EXPECT_EQ(weak.lock(), nullptr);
    EXPECT_TRUE(weak.expired());
    EXPECT_EQ(Weak<Listener>().lock(), nullptr);
}

TEST(ForEachLive, VisitsLiveEntriesInOrderAndNeverPrunes) {
    auto first = std::make_shared<NamedListener>("first");
    auto gone = std::make_shared<NamedListener>("gone");
    auto last = std::make_shared<NamedListener>("last");
    ListenerList list{entryFor(first), entryFor(gone), nullptr, entryFor(last), entryFor(first)};
    gone.reset();

    std::vector<std::string> visited;
    forEachLive(list, [&](Listener& listener) { visited.push_back(listener.name()); });
    EXPECT_EQ(visited, (std::vector<std::string>{"first", "last", "first"}));

    // The expired and null entries are still where they were.
    ASSERT_EQ(list.size(), 5u);
    EXPECT_TRUE(list[1]->expired());
    EXPECT_EQ(list[2], nullptr);

    visited.clear();
    forEachLive(ListenerList{}, [&](Listener& listener) { visited.push_back(listener.name()); });
    EXPECT_TRUE(visited.empty());
}

TEST(ForEachLive, CallbacksMayChangeTheListAndDropObjects) {
    bool secondDestroyed = false;
    auto first = std::make_shared<NamedListener>("first");
    auto second = std::make_shared<NamedListener>("second", &secondDestroyed);
    auto added = std::make_shared<NamedListener>("added");
    auto list = std::make_unique<ListenerList>(ListenerList{entryFor(first), entryFor(second)});

    std::vector<std::string> visited;
    bool secondAliveDuringCall = false;
    forEachLive(*list, [&](Listener& listener) {
        visited.push_back(listener.name());
        if (listener.name() == "first") {
            // Growing the list reallocates it under the walk.
            for (int i = 0; i < 100; ++i) {
                list->push_back(entryFor(added));
            }
        } else if (listener.name() == "second") {
            // Dropping the last owner while its callback runs, and the list with it.
            second.reset();
            secondAliveDuringCall = !secondDestroyed && listener.name() == "second";
            list.reset();
        }
    });
    EXPECT_EQ(visited, (std::vector<std::string>{"first", "second"}));
    EXPECT_TRUE(secondAliveDuringCall);
    EXPECT_TRUE(secondDestroyed);
}

} // namespace
} // namespace ui
