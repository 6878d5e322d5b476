#pragma once

#include <QtGlobal>

#include <atomic>

// Work on a network folder counts as stalled only while the server says nothing: a slow
// share is not a dead one. Every call on the folder that returns is an answer; the thread
// doing the work notes them on a clock that whoever waits for the work reads.
namespace answers {

// Milliseconds on a monotonic clock, the one answers are noted on.
qint64 now();

// Notes an answer on the clock of this thread's work, where it has one.
void note();

// While it stands, this thread's answers are noted on the clock given.
class Scope
{
public:
    explicit Scope(std::atomic<qint64> *clock);
    ~Scope();
    Scope(const Scope &) = delete;
    Scope &operator=(const Scope &) = delete;

private:
    std::atomic<qint64> *m_previous;
};

} // namespace answers
