#include "platform/BackgroundSha256.h"

BackgroundSha256::BackgroundSha256(std::size_t maximumQueued)
    : m_maximumQueued(maximumQueued), m_worker([this] { run(); })
{
}

BackgroundSha256::~BackgroundSha256()
{
    {
        const std::lock_guard lock(m_mutex);
        m_finished = true;
    }
    m_changed.notify_all();
    if (m_worker.joinable())
        m_worker.join();
}

void BackgroundSha256::update(QByteArray chunk)
{
    if (chunk.isEmpty())
        return;
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_queue.size() < m_maximumQueued; });
    m_queue.push_back(std::move(chunk));
    lock.unlock();
    m_changed.notify_all();
}

QString BackgroundSha256::finalHex()
{
    {
        const std::lock_guard lock(m_mutex);
        m_finished = true;
    }
    m_changed.notify_all();
    if (m_worker.joinable())
        m_worker.join();
    return m_digest.finalHex();
}

void BackgroundSha256::run()
{
    for (;;) {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return !m_queue.empty() || m_finished; });
        if (m_queue.empty())
            return; // finished, and everything was hashed
        QByteArray chunk = std::move(m_queue.front());
        m_queue.pop_front();
        lock.unlock();
        m_changed.notify_all();
        m_digest.update(chunk.constData(), chunk.size());
    }
}
