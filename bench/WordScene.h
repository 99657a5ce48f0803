#pragma once

// A scene of real words for the benchmarks: the sample word file's words
// as the nozzle sprays them (each letter with its own spin of -12 to 12),
// laid out line after line down the window and again from the top until
// the scene holds the bodies asked for. It ticks and paints on a pool of
// LEXFALL_THREADS threads (or one a processor), unless given a count.

#include <cstddef>
#include <memory>
#include <string>

#include "glyph/InstallPaths.h"
#include "platform/HeadlessWindow.h"
#include "platform/TaskPool.h"
#include "view/CLexfallView.h"

class WordScene {
public:
    WordScene(int width, int height, int bodies, PhysicsPreset preset = PhysicsPreset::AsDesigned, int threads = 0)
        : m_window(width, height), m_pool(threads > 0 ? threads : TaskPool::threadsFromEnvironment())
    {
        m_view.attachWindow(&m_window);
        m_view.m_pPool = &m_pool;
        m_view.ChoosePreset(preset);
        std::unique_ptr<CLexfallView::WordList> words;
        if (CLexfallView::LoadWordFile((lexfallShareDirectory() + "words.txt").c_str(), words) != 1)
            return;
        constexpr double kTop = 60.0;
        constexpr double kLine = 48.0;
        constexpr double kGlyphWidth = 32.0; // enough for the widest letter
        double y = kTop;
        m_view.m_vInsert = Vector3{0.0, y, 0.0};
        m_view.m_bNozzleMode = true;
        m_view.m_bLeftDown = true;
        for (std::size_t i = 0; static_cast<int>(m_view.m_pBodies.size()) < bodies; ++i) {
            const std::string& word = (*words)[i % words->size()];
            // A new line before the right margin, so the line never scrolls.
            if (m_view.m_vInsert.x + kGlyphWidth * static_cast<double>(word.size()) > width - 24.0) {
                y += kLine;
                if (y > height - 20.0)
                    y = kTop;
                m_view.m_vInsert = Vector3{0.0, y, 0.0};
            }
            for (char c : word)
                if (static_cast<int>(m_view.m_pBodies.size()) < bodies)
                    m_view.AddCharacter(c);
            m_view.m_vInsert.x += kLine / 3.0;
        }
        m_view.m_bLeftDown = false;
        m_view.m_bAnimate = true;
        tick();
    }

    void tick() { m_view.OnTimer(m_view.m_nTimerID); }

    CLexfallView& view() { return m_view; }
    int bodies() const { return static_cast<int>(m_view.m_pBodies.size()); }

private:
    HeadlessWindow m_window;
    TaskPool m_pool;
    CLexfallView m_view;
};
