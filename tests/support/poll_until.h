#pragma once
// Waiting on a state instead of a fixed time: a test that sleeps a guessed
// interval either waits longer than it needs or fails on a loaded machine.
#include <chrono>
#include <functional>
#include <thread>

// Polls until ready() holds or the time is up; whether it held. ready() is
// always asked at least once.
inline bool pollUntil(const std::function<bool()>& ready, std::chrono::milliseconds timeout,
                      std::chrono::milliseconds every = std::chrono::milliseconds(2)) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (!ready()) {
    if (std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::sleep_for(every);
  }
  return true;
}
