#include "ui/foundation/uuid.h"

#include <unistd.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <random>
#include <thread>

namespace ui {

namespace {

// Builds a generator seeded with 256 bits from std::random_device. If the device is unavailable the
// seeding falls back to a mix of the clock, the thread id, an address and a process-wide counter: weaker,
// but still distinct between threads and calls, which is what identifiers need.
std::mt19937_64 makeSeededGenerator() {
    std::array<std::uint32_t, 8> words{};
    try {
        std::random_device device;
        for (auto& word : words) {
            word = device();
        }
    } catch (...) {
        static std::atomic<std::uint64_t> counter{0};
        const auto now =
            static_cast<std::uint64_t>(std::chrono::high_resolution_clock::now().time_since_epoch().count());
        const auto thread =
            static_cast<std::uint64_t>(std::hash<std::thread::id>{}(std::this_thread::get_id()));
        const auto address = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(&words));
        const std::uint64_t count = counter.fetch_add(1, std::memory_order_relaxed);
        const std::uint64_t parts[] = {now, thread, address, count};
        for (std::size_t i = 0; i < 4; ++i) {
            words[2 * i] = static_cast<std::uint32_t>(parts[i]);
            words[2 * i + 1] = static_cast<std::uint32_t>(parts[i] >> 32);
        }
        words[0] ^= static_cast<std::uint32_t>(::getpid());
    }
    std::seed_seq entropy(words.begin(), words.end());
    return std::mt19937_64(entropy);
}

std::mt19937_64& threadGenerator() {
    thread_local std::mt19937_64 generator = makeSeededGenerator();
    thread_local pid_t owner = ::getpid();
    // After fork() the child holds a copy of the parent's generator state; reseed so the two processes
    // do not hand out the same identifiers.
    const pid_t current = ::getpid();
    if (current != owner) {
        generator = makeSeededGenerator();
        owner = current;
    }
    return generator;
}

bool isHexDigit(char ch) {
    return (ch >= '0' && ch <= '9') || (ch >= 'a' && ch <= 'f') || (ch >= 'A' && ch <= 'F');
}

bool isHyphenOffset(std::size_t i) {
    return i == 8 || i == 13 || i == 18 || i == 23;
}

} // namespace

std::string makeUUIDString() {
    std::mt19937_64& generator = threadGenerator();
    std::array<std::uint8_t, 16> bytes{};
    for (std::size_t half = 0; half < 2; ++half) {
        const std::uint64_t bits = generator();
        for (std::size_t i = 0; i < 8; ++i) {
            bytes[half * 8 + i] = static_cast<std::uint8_t>(bits >> (8 * i));
        }
    }
    bytes[6] = static_cast<std::uint8_t>((bytes[6] & 0x0F) | 0x40); // version 4
    bytes[8] = static_cast<std::uint8_t>((bytes[8] & 0x3F) | 0x80); // variant 10xx

    static constexpr char digits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(36);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) {
            text.push_back('-');
        }
        text.push_back(digits[bytes[i] >> 4]);
        text.push_back(digits[bytes[i] & 0x0F]);
    }
    return text;
}

bool isUUIDString(std::string_view text) {
    if (text.size() != 36) {
        return false;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (isHyphenOffset(i) ? text[i] != '-' : !isHexDigit(text[i])) {
            return false;
        }
    }
    return true;
}

} // namespace ui
