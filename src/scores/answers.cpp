#include "scores/answers.h"

#include <chrono>

namespace answers {

namespace {

thread_local std::atomic<qint64> *current = nullptr;

} // namespace

qint64 now()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void note()
{
    if (current)
        current->store(now(), std::memory_order_relaxed);
}

Scope::Scope(std::atomic<qint64> *clock) : m_previous(current)
{
    current = clock;
    note();
}

Scope::~Scope()
{
    current = m_previous;
}

} // namespace answers
