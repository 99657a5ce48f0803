#pragma once

#include <condition_variable>
#include <mutex>
#include <thread>

// Runs the two halves of a job at once, one on a worker thread kept for
// the purpose and one on the calling thread, and returns when both are
// done. On a single processor both halves run on the caller, one after
// the other. The halves must not write anything the other reads or writes.
class ForkJoin {
public:
    // With `worker` false there is no thread: every job runs on the caller.
    explicit ForkJoin(bool worker);
    ~ForkJoin();
    ForkJoin(const ForkJoin&) = delete;
    ForkJoin& operator=(const ForkJoin&) = delete;

    // part(0) on the worker, part(1) on the caller.
    template <class Part>
    void run(Part& part)
    {
        if (!m_worker.joinable()) {
            part(0);
            part(1);
            return;
        }
        post(&invoke<Part>, &part);
        part(1);
        wait();
    }

    bool parallel() const { return m_worker.joinable(); }

    // The program's one worker, made on first use, with a thread only when
    // the machine has more than one processor.
    static ForkJoin& shared();

private:
    template <class Part>
    static void invoke(void* part)
    {
        (*static_cast<Part*>(part))(0);
    }

    void post(void (*job)(void*), void* argument);
    void wait();
    void serve();

    std::mutex m_mutex;
    std::condition_variable m_posted;
    std::condition_variable m_finished;
    void (*m_job)(void*) = nullptr;
    void* m_argument = nullptr;
    bool m_quit = false;
    std::thread m_worker;
};
