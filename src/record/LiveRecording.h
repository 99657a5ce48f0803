#pragma once

#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "record/FrameClock.h"
#include "record/FrameWriter.h"
#include "render/RasterFrame.h"

// Records a scene that runs live, in the window, into an animated GIF or
// WebP, or a video, on the scene's own clock (FrameClock): the window
// reports each tick and hands over the picture of each frame due. A thread
// of its own encodes the frames, in order, from a short queue. When it
// falls a whole queue behind, a video leaves the frame out (the one before
// shows on for its time) and counts it, so the window never waits; a GIF
// or WebP waits for room rather than drop one, so its file depends on the
// pictures handed over and on nothing else.
class LiveRecording {
public:
    // Opens `path` (by its extension a GIF, a WebP, an MP4 or a WebM) for frames of
    // `width` x `height`; null, with `error` set, when it cannot.
    static std::unique_ptr<LiveRecording> start(const std::string& path, int width, int height, int fps,
                                                std::string& error);
    // Without finish() first, the file is left incomplete.
    ~LiveRecording();
    LiveRecording(const LiveRecording&) = delete;
    LiveRecording& operator=(const LiveRecording&) = delete;

    // The scene has run one more tick.
    void tick() { ++m_ticks; }
    // Frames due and not yet handed over: at the start, the first.
    int framesDue() const { return m_clock.framesAfter(m_ticks) - m_frames; }
    // Hands over the next frame due: `picture`, cut to the recording's
    // size or widened with `fill`. False once encoding has failed.
    bool add(const RasterFrame& picture, Rgb fill);
    // Encodes every frame handed over and completes the file; false when
    // that failed, or encoding had, and error() says why.
    bool finish();

    // Frames a video left out so far because the encoder was behind.
    int framesLeftOut() const;
    bool failed() const;
    std::string error() const;
    // The length recorded so far.
    double seconds() const { return static_cast<double>(m_frames) / m_clock.fps(); }
    const std::string& path() const { return m_path; }

private:
    LiveRecording(std::unique_ptr<FrameWriter> writer, std::string path, int width, int height, int fps, bool video);
    void encode();
    void stopEncoder();

    static constexpr std::size_t kQueuedFrames = 8;

    std::unique_ptr<FrameWriter> m_writer; // the encoder's until it ends
    std::string m_path;
    FrameClock m_clock;
    bool m_video;
    int m_ticks = 0;
    int m_frames = 0;

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    // A ring of frames kept for the whole recording: the encoder works on
    // m_slots[m_head], the `m_queued - 1` after it wait.
    std::vector<RasterFrame> m_slots;
    // Frames left out just before each slot's, and since the last queued.
    std::vector<int> m_skipsBefore;
    int m_skipsPending = 0;
    int m_leftOut = 0;
    std::size_t m_head = 0;
    std::size_t m_queued = 0;
    bool m_ending = false;
    bool m_failed = false;
    std::string m_error;
    std::thread m_encoder; // last: it starts once everything it uses is made
};
