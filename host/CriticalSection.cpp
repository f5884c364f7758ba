#include <VEKParser/host/CriticalSection.h>

#include <thread>

namespace VEKThread {

void CriticalSection::Enter()
{
    for (unsigned int i = 0; i < m_uSpinCount; ++i) {
        if (m_Mutex.try_lock()) return;
        if ((i & 63) == 63) std::this_thread::yield();
    }
    m_Mutex.lock();
}

} // namespace VEKThread
