#pragma once

// Letters of the sample words, sprayed as the nozzle sprays them (each with
// a spin of -12 to 12), in lines that fill the window from the top without
// overlapping, at the largest font size at which they fit; they collide
// and fall from the first tick.

#include <memory>
#include <string>

#include "glyph/InstallPaths.h"
#include "platform/HeadlessWindow.h"
#include "platform/TaskPool.h"
#include "view/CLexfallView.h"

class PileScene {
public:
    static constexpr double kTicksPerSecond = 62.5;


    PileScene(int width, int height, int bodies, TaskPool& pool, PhysicsPreset preset) : m_window(width, height)
    {
        m_view.attachWindow(&m_window);
        m_view.m_pPool = &pool;
        m_view.ChoosePreset(preset);
        std::unique_ptr<CLexfallView::WordList> words;
        if (CLexfallView::LoadWordFile((lexfallShareDirectory() + "words.txt").c_str(), words) != 1)
            return;
        for (int size = 48; size >= 6 && !fill(*words, size, bodies, width, height); --size)
            m_view.ClearScene();
        m_view.m_bLeftDown = false;
        m_view.m_bNozzleMode = false;
        m_view.SetCollide(true);
        m_view.m_bAnimate = true;
    }

    void tick() { m_view.OnTimer(m_view.m_nTimerID); }
    CLexfallView& view() { return m_view; }

    int lettersWithInk() const
    {
        int n = 0;
        for (const auto& body : m_view.m_pBodies)
            n += body->particleCount() > 0;
        return n;
    }

    int asleep() const
    {
        int n = 0;
        for (const auto& body : m_view.m_pBodies)
            if (const CollisionShape* s = m_view.m_collisions.shapeOf(*body))
                n += s->rigid.asleep;
        return n;
    }

    double kineticEnergy() const
    {
        double e = 0.0;
        for (const auto& body : m_view.m_pBodies)
            for (int i = 0; i < body->particleCount(); ++i) {
                const Particle& p = *body->particleAt(i);
                e += 0.5 * p.mass * p.velocity.dot(p.velocity);
            }
        return e;
    }

    // Ticks until nearly every letter sleeps, at most `most` ticks; the
    // ticks it took.
    int settle(int most)
    {
        int t = 0;
        while (t < most && asleep() < lettersWithInk() * 97 / 100) {
            tick();
            ++t;
        }
        return t;
    }

private:
    bool fill(const CLexfallView::WordList& words, int size, int bodies, int width, int height)
    {
        SceneSettings settings = m_view.Settings();
        settings.fontSize = size;
        m_view.ApplySettings(settings);
        const double line = size * 1.45;
        double y = line;
        m_view.m_vInsert = Vector3{0.0, y, 0.0};
        m_view.m_bNozzleMode = true;
        m_view.m_bLeftDown = true;
        for (std::size_t i = 0; static_cast<int>(m_view.m_pBodies.size()) < bodies; ++i) {
            const std::string& word = words[i % words.size()];
            double advance = 0.0;
            for (char c : word)
                advance += m_view.m_pMesher->advanceWidth(c);
            if (m_view.m_vInsert.x + advance > width - size) {
                y += line;
                if (y > height - size * 0.4)
                    return false;
                m_view.m_vInsert = Vector3{0.0, y, 0.0};
            }
            for (char c : word)
                if (static_cast<int>(m_view.m_pBodies.size()) < bodies)
                    m_view.AddCharacter(c);
            m_view.m_vInsert.x += size * 0.4;
        }
        return true;
    }

    HeadlessWindow m_window;
    CLexfallView m_view;
};

