#pragma once

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

namespace tw::bench {

/// Seconds taken by work, best of runs (the first run also warms the page cache).
inline double BestSeconds(int runs, const std::function<void()>& work) {
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        work();
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        best = took.count() < best ? took.count() : best;
    }
    return best;
}

/// Runs a shell command and fails the benchmark when it fails.
inline void Shell(const std::string& command) {
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "bench: command failed: %s\n", command.c_str());
        std::exit(1);
    }
}

} // namespace tw::bench
