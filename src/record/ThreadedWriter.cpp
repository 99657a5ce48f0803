#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "record/FrameWriter.h"

namespace {

// Hands every frame to a writer on a thread of its own, in order, through
// a short queue; a frame waits for room rather than be dropped, so the
// file is the one the writer alone would make.
class ThreadedWriter final : public FrameWriter {
public:
    explicit ThreadedWriter(std::unique_ptr<FrameWriter> writer)
        : m_writer(std::move(writer)), m_slots(kQueuedFrames), m_thread(&ThreadedWriter::encode, this)
    {
    }

    ~ThreadedWriter() override { stop(); }

    bool add(const RasterFrame& frame) override
    {
        std::size_t slot = 0;
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [this] { return m_queued < kQueuedFrames || m_failed; });
            if (m_failed)
                return fail(m_writer->error());
            slot = (m_head + m_queued) % kQueuedFrames;
        }
        // The thread never reads a slot before it is counted in the queue.
        m_slots[slot] = frame;
        {
            const std::lock_guard lock(m_mutex);
            ++m_queued;
        }
        m_changed.notify_all();
        return true;
    }

    bool finish() override
    {
        stop();
        if (m_failed || !m_writer->finish())
            return fail(m_writer->error());
        return true;
    }

private:
    static constexpr std::size_t kQueuedFrames = 4;

    void stop()
    {
        if (!m_thread.joinable())
            return;
        {
            const std::lock_guard lock(m_mutex);
            m_ending = true;
        }
        m_changed.notify_all();
        m_thread.join();
    }

    void encode()
    {
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_changed.wait(lock, [this] { return m_queued > 0 || m_ending; });
            if (m_queued == 0)
                return;
            const RasterFrame& frame = m_slots[m_head];
            const bool encoding = !m_failed;
            lock.unlock();
            const bool added = encoding && m_writer->add(frame);
            lock.lock();
            m_failed = m_failed || !added;
            m_head = (m_head + 1) % kQueuedFrames;
            --m_queued;
            m_changed.notify_all();
        }
    }

    std::unique_ptr<FrameWriter> m_writer; // the thread's until it ends
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<RasterFrame> m_slots; // a ring: the thread works on m_slots[m_head]
    std::size_t m_head = 0;
    std::size_t m_queued = 0;
    bool m_ending = false;
    bool m_failed = false; // the writer's error() says why
    std::thread m_thread;  // last: it starts once everything it uses is made
};

} // namespace

std::unique_ptr<FrameWriter> writeOnItsOwnThread(std::unique_ptr<FrameWriter> writer)
{
    return std::make_unique<ThreadedWriter>(std::move(writer));
}
