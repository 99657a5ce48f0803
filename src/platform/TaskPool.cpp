#include "platform/TaskPool.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <thread>

#include <oneapi/tbb/global_control.h>
#include <oneapi/tbb/info.h>
#include <oneapi/tbb/parallel_for.h>
#include <oneapi/tbb/task_arena.h>

#include "platform/Printable.h"

struct TaskPool::Threads {
    explicit Threads(int threads) : arena(threads)
    {
        // An arena gets no more workers than the library allows the whole
        // process, by default one per processor; a pool asked for more
        // (a test forcing four threads on two processors) raises that.
        if (threads > tbb::info::default_concurrency())
            more.emplace(tbb::global_control::max_allowed_parallelism, static_cast<std::size_t>(threads));
    }

    std::optional<tbb::global_control> more;
    tbb::task_arena arena;
};

TaskPool::TaskPool(int threads) : m_threads(std::clamp(threads, 1, kMaxThreads))
{
    if (m_threads > 1)
        m_pool = std::make_unique<Threads>(m_threads);
}

TaskPool::~TaskPool() = default;

void TaskPool::dispatch(int parts, void (*call)(void*, int), void* part)
{
    m_pool->arena.execute([&] {
        tbb::parallel_for(0, parts, [call, part](int i) { call(part, i); }, tbb::simple_partitioner());
    });
}

namespace {

std::optional<int> threadsSet(const char* text)
{
    int n = 0;
    const char* end = text + std::strlen(text);
    const auto [stop, error] = std::from_chars(text, end, n);
    if (error == std::errc{} && stop == end && n >= 1 && n <= TaskPool::kMaxThreads)
        return n;
    return std::nullopt;
}

int processors() { return std::max(1, static_cast<int>(std::thread::hardware_concurrency())); }

} // namespace

int TaskPool::threadsFromEnvironment()
{
    if (const char* text = std::getenv("LEXFALL_THREADS"))
        if (const auto n = threadsSet(text))
            return *n;
    return processors();
}

std::string TaskPool::environmentProblem()
{
    const char* text = std::getenv("LEXFALL_THREADS");
    if (!text || threadsSet(text))
        return {};
    return "LEXFALL_THREADS=\"" + printable(text) + "\" is not a whole number from 1 to " + std::to_string(kMaxThreads) +
           "; using " + std::to_string(processors()) + " threads";
}
