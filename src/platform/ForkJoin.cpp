#include "platform/ForkJoin.h"

ForkJoin::ForkJoin(bool worker)
{
    if (worker)
        m_worker = std::thread(&ForkJoin::serve, this);
}

ForkJoin::~ForkJoin()
{
    if (!m_worker.joinable())
        return;
    {
        const std::lock_guard lock(m_mutex);
        m_quit = true;
    }
    m_posted.notify_one();
    m_worker.join();
}

ForkJoin& ForkJoin::shared()
{
    static ForkJoin forkJoin(std::thread::hardware_concurrency() > 1);
    return forkJoin;
}

void ForkJoin::post(void (*job)(void*), void* argument)
{
    {
        const std::lock_guard lock(m_mutex);
        m_job = job;
        m_argument = argument;
    }
    m_posted.notify_one();
}

void ForkJoin::wait()
{
    std::unique_lock lock(m_mutex);
    m_finished.wait(lock, [this] { return m_job == nullptr; });
}

void ForkJoin::serve()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_posted.wait(lock, [this] { return m_quit || m_job != nullptr; });
        if (m_quit)
            return;
        void (*job)(void*) = m_job;
        void* argument = m_argument;
        lock.unlock();
        job(argument);
        lock.lock();
        m_job = nullptr;
        m_finished.notify_one();
    }
}
