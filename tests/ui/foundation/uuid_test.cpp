#include <ui/foundation/uuid.h>

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <thread>
#include <unordered_set>
#include <vector>

namespace ui {
namespace {

// Checks everything a version-4 identifier from makeUUIDString must satisfy, beyond the bare shape.
void expectVersion4UpperCase(const std::string& id) {
    ASSERT_EQ(id.size(), 36u) << id;
    EXPECT_TRUE(isUUIDString(id)) << id;
    for (std::size_t i = 0; i < id.size(); ++i) {
        const char ch = id[i];
        if (i == 8 || i == 13 || i == 18 || i == 23) {
            EXPECT_EQ(ch, '-') << id;
        } else {
            EXPECT_TRUE((ch >= '0' && ch <= '9') || (ch >= 'A' && ch <= 'F')) << id;
        }
    }
    EXPECT_EQ(id[14], '4') << id;
    EXPECT_NE(std::string("89AB").find(id[19]), std::string::npos) << id;
}

TEST(UUID, FormatAndVariationOfEveryDigit) {
    // Apart from the fixed version digit and the two fixed variant bits, every hex digit position should
    // take many values over a few thousand identifiers; a stuck position means bits are being lost.
    std::vector<std::unordered_set<char>> seen(36);
    for (int i = 0; i < 4000; ++i) {
        const std::string id = makeUUIDString();
        expectVersion4UpperCase(id);
        if (testing::Test::HasFailure()) {
            return;
        }
        for (std::size_t k = 0; k < id.size(); ++k) {
            seen[k].insert(id[k]);
        }
    }
    for (std::size_t k = 0; k < seen.size(); ++k) {
        if (k == 8 || k == 13 || k == 18 || k == 23 || k == 14) {
            EXPECT_EQ(seen[k].size(), 1u) << "position " << k;
        } else if (k == 19) {
            EXPECT_EQ(seen[k].size(), 4u) << "position " << k;
        } else {
            EXPECT_EQ(seen[k].size(), 16u) << "position " << k;
        }
    }
}

TEST(UUID, UniqueAcrossCallsAndThreads) {
    constexpr int kThreads = 6;
    constexpr int kPerThread = 3000;
    std::vector<std::vector<std::string>> produced(kThreads);
    std::vector<std::thread> threads;
    threads.reserve(kThreads);
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&produced, t] {
            produced[t].reserve(kPerThread);
            for (int i = 0; i < kPerThread; ++i) {
                produced[t].push_back(makeUUIDString());
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    for (int i = 0; i < kPerThread; ++i) {
        produced[0].push_back(makeUUIDString());
    }

    std::unordered_set<std::string> all;
    std::size_t total = 0;
    for (const auto& batch : produced) {
        for (const std::string& id : batch) {
            expectVersion4UpperCase(id);
            all.insert(id);
            ++total;
        }
    }
    EXPECT_EQ(total, static_cast<std::size_t>((kThreads + 1) * kPerThread));
    EXPECT_EQ(all.size(), total);
}

TEST(UUID, ForkedChildDoesNotRepeatItsParent) {
    // Make sure this thread's generator exists before the fork, so the child inherits its state.
    (void)makeUUIDString();

    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const std::string id = makeUUIDString();
        const ssize_t written = write(fds[1], id.data(), id.size());
        _exit(written == static_cast<ssize_t>(id.size()) ? 0 : 1);
    }
    close(fds[1]);
    const std::string parentId = makeUUIDString();
    std::string childId(36, '\0');
    std::size_t received = 0;
    while (received < childId.size()) {
        const ssize_t n = read(fds[0], childId.data() + received, childId.size() - received);
        if (n <= 0) {
            break;
        }
        received += static_cast<std::size_t>(n);
    }
    close(fds[0]);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    ASSERT_EQ(received, childId.size());
    expectVersion4UpperCase(childId);
    EXPECT_NE(childId, parentId);
}

TEST(UUID, RecognisesOnlyTheTextualShape) {
    EXPECT_TRUE(isUUIDString("E621E1F8-C36C-495A-93FC-0C247A3E6E5F"));
    EXPECT_TRUE(isUUIDString("e621e1f8-c36c-495a-93fc-0c247a3e6e5f"));
    EXPECT_TRUE(isUUIDString("00000000-0000-0000-0000-000000000000"));

    EXPECT_FALSE(isUUIDString(""));
    EXPECT_FALSE(isUUIDString("E621E1F8-C36C-495A-93FC-0C247A3E6E5"));   // too short
    EXPECT_FALSE(isUUIDString("E621E1F8-C36C-495A-93FC-0C247A3E6E5F0")); // too long
    EXPECT_FALSE(isUUIDString("E621E1F8C-36C-495A-93FC-0C247A3E6E5F"));  // hyphen moved
    EXPECT_FALSE(isUUIDString("E621E1F8-C36C-495A-93FC-0C247A3E6E5G"));  // not hex
    EXPECT_FALSE(isUUIDString("E621E1F8-C36C-495A-93FC-0C247A3E6E-F"));  // extra hyphen
    EXPECT_FALSE(isUUIDString("E621E1F8 C36C-495A-93FC-0C247A3E6E5F"));
    EXPECT_FALSE(isUUIDString("{E621E1F8-C36C-495A-93FC-0C247A3E6E5F}"));
    EXPECT_FALSE(isUUIDString("E621E1F8C36C495A93FC0C247A3E6E5F"));
    EXPECT_FALSE(isUUIDString(std::string("E621E1F8-C36C-495A-93FC-0C247A3E6E5\0", 36)));
    EXPECT_FALSE(isUUIDString("E621E1F8-C36C-495A-93FC-0C247A3E6E\xC3\xA9")); // non-ASCII
}

} // namespace
} // namespace ui
