#include "record/LiveRecording.h"

#include <algorithm>
#include <utility>

#include "platform/ThreadPriority.h"

namespace {

void copyInto(RasterFrame& to, const RasterFrame& from, Rgb fill)
{
    const std::uint32_t background = RasterFrame::pixel(fill);
    const int columns = std::min(to.width(), from.width());
    for (int y = 0; y < to.height(); ++y) {
        std::uint32_t* out = to.row(y);
        int x = 0;
        if (y < from.height())
            x = static_cast<int>(std::copy_n(from.row(y), columns, out) - out);
        std::fill(out + x, out + to.width(), background);
    }
}

} // namespace

std::unique_ptr<LiveRecording> LiveRecording::start(const std::string& path, int width, int height, int fps,
                                                    std::string& error)
{
    const std::optional<PictureFormat> format = pictureFormatOf(path);
    if (!format || *format == PictureFormat::Png) {
        error = "a recording is a .gif, .webp, .mp4 or .webm file, not \"" + path + "\"";
        return nullptr;
    }
    std::unique_ptr<FrameWriter> writer = openFrameWriter(*format, path, width, height, fps, error, true);
    if (!writer)
        return nullptr;
    return std::unique_ptr<LiveRecording>(
        new LiveRecording(std::move(writer), path, width, height, fps, isVideo(*format)));
}

LiveRecording::LiveRecording(std::unique_ptr<FrameWriter> writer, std::string path, int width, int height, int fps,
                             bool video)
    : m_writer(std::move(writer)), m_path(std::move(path)), m_clock(fps), m_video(video), m_slots(kQueuedFrames),
      m_skipsBefore(kQueuedFrames, 0)
{
    for (RasterFrame& slot : m_slots)
        slot.resize(width, height);
    m_encoder = std::thread(&LiveRecording::encode, this);
}

LiveRecording::~LiveRecording() { stopEncoder(); }

void LiveRecording::stopEncoder()
{
    if (!m_encoder.joinable())
        return;
    {
        const std::lock_guard lock(m_mutex);
        m_ending = true;
    }
    m_changed.notify_all();
    m_encoder.join();
}

bool LiveRecording::add(const RasterFrame& picture, Rgb fill)
{
    std::size_t slot = 0;
    {
        std::unique_lock lock(m_mutex);
        if (m_video && m_queued == kQueuedFrames && !m_failed) {
            ++m_skipsPending;
            ++m_leftOut;
            ++m_frames;
            return true;
        }
        m_changed.wait(lock, [this] { return m_queued < kQueuedFrames || m_failed; });
        if (m_failed)
            return false;
        slot = (m_head + m_queued) % kQueuedFrames;
        m_skipsBefore[slot] = std::exchange(m_skipsPending, 0);
    }
    // The encoder never reads a slot before it is counted in the queue.
    copyInto(m_slots[slot], picture, fill);
    {
        const std::lock_guard lock(m_mutex);
        ++m_queued;
    }
    m_changed.notify_all();
    ++m_frames;
    return true;
}

void LiveRecording::encode()
{
    // The window's tick and paint go first; the queue takes up the slack.
    yieldToOtherThreads();
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_queued > 0 || m_ending; });
        if (m_queued == 0)
            return;
        const RasterFrame& frame = m_slots[m_head];
        const int skips = m_skipsBefore[m_head];
        const bool encoding = !m_failed;
        lock.unlock();
        const bool added = encoding && (skips == 0 || m_writer->skip(skips)) && m_writer->add(frame);
        lock.lock();
        if (encoding && !added) {
            m_failed = true;
            m_error = m_writer->error();
        }
        m_head = (m_head + 1) % kQueuedFrames;
        --m_queued;
        m_changed.notify_all();
    }
}

bool LiveRecording::finish()
{
    stopEncoder();
    if (m_failed)
        return false;
    if ((m_skipsPending > 0 && !m_writer->skip(m_skipsPending)) || !m_writer->finish()) {
        m_failed = true;
        m_error = m_writer->error();
        return false;
    }
    return true;
}

int LiveRecording::framesLeftOut() const
{
    const std::lock_guard lock(m_mutex);
    return m_leftOut;
}

bool LiveRecording::failed() const
{
    const std::lock_guard lock(m_mutex);
    return m_failed;
}

std::string LiveRecording::error() const
{
    const std::lock_guard lock(m_mutex);
    return m_error;
}
