#pragma once
// The one way this code restores something on every exit path of a scope: ScopeExit runs its
// function when the scope is left, normally or by an exception, unless release() was called.
// The function must not throw.
#include <utility>

namespace dg {

template <class F>
class [[nodiscard]] ScopeExit {
public:
    explicit ScopeExit(F f) : m_f(std::move(f)) {}
    ~ScopeExit()
    {
        if (m_active)
            m_f();
    }
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;

    // The function is not run after all.
    void release() { m_active = false; }

private:
    F m_f;
    bool m_active = true;
};

} // namespace dg
