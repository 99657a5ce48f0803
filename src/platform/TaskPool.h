#pragma once

#include <memory>
#include <string>
#include <type_traits>

// A fixed number of threads that run the parts of one job at once. The
// application makes one and passes it down; a test makes pools of any
// size, whatever the machine has. Which thread runs which part is not
// fixed: callers split their work into parts that do not depend on the
// number of threads, so results stay the same to the bit.
class TaskPool {
public:
    // At least one thread: the caller's own.
    explicit TaskPool(int threads);
    ~TaskPool();
    TaskPool(const TaskPool&) = delete;
    TaskPool& operator=(const TaskPool&) = delete;

    int threads() const { return m_threads; }

    // Runs part(i) for every i in [0, parts) and returns when all are done.
    // Parts may run at once, so they must not write what another reads.
    template <class Part>
    void run(int parts, Part&& part)
    {
        if (m_threads <= 1 || parts <= 1) {
            for (int i = 0; i < parts; ++i)
                part(i);
            return;
        }
        using Callable = std::remove_reference_t<Part>;
        dispatch(parts, &invoke<Callable>, const_cast<void*>(static_cast<const void*>(std::addressof(part))));
    }

    // LEXFALL_THREADS when it holds a whole number from 1 to kMaxThreads,
    // otherwise the processors of the machine.
    static int threadsFromEnvironment();
    // What is wrong with LEXFALL_THREADS, to say so once; empty when it is
    // unset or good.
    static std::string environmentProblem();
    static constexpr int kMaxThreads = 256;

private:
    template <class Part>
    static void invoke(void* part, int i)
    {
        (*static_cast<Part*>(part))(i);
    }

    void dispatch(int parts, void (*call)(void*, int), void* part);

    struct Threads;
    int m_threads;
    std::unique_ptr<Threads> m_pool;
};
