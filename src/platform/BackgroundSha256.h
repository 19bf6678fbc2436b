#pragma once

#include "platform/Sha256Stream.h"

#include <QByteArray>
#include <QString>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

// SHA-256 of a byte stream, computed on a thread of its own so that hashing
// overlaps with receiving and writing: a download is then as fast as the
// slower of the two, not their sum. Chunks are shared, not copied; at most
// `maximumQueued` wait, and update() blocks past that, which keeps memory
// bounded when the network outruns the hash.
class BackgroundSha256
{
public:
    explicit BackgroundSha256(std::size_t maximumQueued = 8);
    ~BackgroundSha256();
    BackgroundSha256(const BackgroundSha256&) = delete;
    BackgroundSha256& operator=(const BackgroundSha256&) = delete;

    void update(QByteArray chunk);
    // Waits for every chunk to be hashed; the digest as lower-case hex.
    QString finalHex();

private:
    void run();

    const std::size_t m_maximumQueued;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<QByteArray> m_queue;
    bool m_finished = false;
    Sha256Stream m_digest;
    std::thread m_worker;
};
