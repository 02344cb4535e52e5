// Waiting in the gateway's tests for what its threads do.
#pragma once

#include <chrono>
#include <thread>

namespace vorsa::test {

/// Waits for `condition`, checking it every few milliseconds, for at most `patience`
/// (generous: the wait ends as soon as the condition holds).
template <typename Condition>
bool Eventually(Condition condition,
                std::chrono::milliseconds patience = std::chrono::seconds(40)) {
    const auto deadline = std::chrono::steady_clock::now() + patience;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

}  // namespace vorsa::test
