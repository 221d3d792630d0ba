#pragma once
// `HelperThread`: a second thread for work that could as well be done on the calling thread.
//
// The core splits large reads, expansions, sorts and classifications over two threads. A system
// short of threads or memory may refuse to start one (std::thread throws std::system_error); the
// work is then done on one thread instead of failing: running() is false, the work has not run,
// and the caller does it itself. The thread is joined at the latest when the object goes.
#include <system_error>
#include <thread>
#include <utility>

namespace dg {

class HelperThread {
public:
    template <class Work>
    explicit HelperThread(Work&& work)
    {
        try {
            m_thread = std::thread(std::forward<Work>(work));
            m_started = true;
        } catch (const std::system_error&) {
            // Not started: the caller does the work.
        }
    }
    HelperThread(const HelperThread&) = delete;
    HelperThread& operator=(const HelperThread&) = delete;
    ~HelperThread() { join(); }

    // The work runs (or has run) on the other thread.
    bool running() const { return m_started; }
    void join()
    {
        if (m_thread.joinable())
            m_thread.join();
    }

private:
    std::thread m_thread;
    bool m_started = false;
};

} // namespace dg
