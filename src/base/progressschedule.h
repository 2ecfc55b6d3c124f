#pragma once

// When a loop over `count` items advances the progress indicator, and to what width:
// about twenty updates per run, the first after item step + 1 with step = (count - 1) / 20,
// then every step items; a single update after item 1 for up to 20 items.
class ProgressSchedule {
public:
    static constexpr int fullWidth = 400;

    explicit ProgressSchedule(int count);

    // True when the indicator is due an update after item `index`.
    bool isDue(int index) const { return index == m_next; }
    // Moves on to the next update point; call after each update.
    void advance() { m_next += m_step; }

    int step() const { return m_step; }

    // Int(index / count * 400), formed in floating point and truncated toward zero.
    static int width(int index, int count);

private:
    int m_step;
    int m_next;
};
