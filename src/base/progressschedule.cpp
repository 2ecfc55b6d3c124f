#include "progressschedule.h"

ProgressSchedule::ProgressSchedule(int count)
    : m_step((count - 1) / 20) // C++ division truncates toward zero, so 0 for count 0..20
    , m_next(m_step + 1)
{
}

int ProgressSchedule::width(int index, int count)
{
    return static_cast<int>(static_cast<double>(index) / count * fullWidth);
}
