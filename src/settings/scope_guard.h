#pragma once
// Runs a function when the scope ends, however it ends.

#include <utility>

template <typename Function>
class ScopeGuard {
public:
    explicit ScopeGuard(Function end) : end_(std::move(end)) {}
    ~ScopeGuard() { end_(); }
    ScopeGuard(const ScopeGuard&) = delete;
    ScopeGuard& operator=(const ScopeGuard&) = delete;

private:
    Function end_;
};
