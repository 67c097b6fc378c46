#include "center/send/rowbatches.h"

#include <algorithm>
#include <chrono>
#include <utility>

RowBatches::RowBatches(size_t rows, std::string prefix, std::string listField, int batchSize,
                       RowWriter writer, size_t elementRoom)
    : m_rows(rows), m_prefix(std::move(prefix)), m_listField(std::move(listField)),
      m_batchSize(std::max(1, batchSize)), m_writer(std::move(writer)), m_elementRoom(elementRoom),
      m_builder([this](std::stop_token stop) { Build(stop); }) {}

RowBatches::~RowBatches() {
    Stop();
}

void RowBatches::Stop() {
    m_builder.request_stop();
    {
        std::lock_guard lock(m_lock);
        m_stopped = true;
        m_ready.clear();
    }
    m_changed.notify_all();
}

std::optional<RowBatch> RowBatches::Next(const std::function<void()>& waiting) {
    std::unique_lock lock(m_lock);
    auto ready = [this] { return !m_ready.empty() || m_finished || m_stopped; };
    while (!m_changed.wait_for(lock, std::chrono::milliseconds(kWaitSliceMs), ready)) {
        if (waiting) {
            lock.unlock();
            waiting();
            lock.lock();
        }
    }
    if (m_stopped || m_ready.empty())
        return std::nullopt;
    RowBatch batch = std::move(m_ready.front());
    m_ready.pop_front();
    return batch;
}

std::optional<std::vector<SentRecipient>> RowBatches::Recipients() {
    std::unique_lock lock(m_lock);
    m_changed.wait(lock, [this] { return m_finished || m_stopped; });
    if (!m_finished || m_stopped)
        return std::nullopt;
    return std::move(m_sent);
}

void RowBatches::Build(std::stop_token stop) {
    // The bodies are a few megabytes for the largest send: all are built as fast as they can be, and
    // the posts take them as they come. Each is sized from the one before, so it is allocated once.
    size_t room = m_prefix.size() + 16 + static_cast<size_t>(m_batchSize) * m_elementRoom;
    std::vector<SentRecipient> sent;
    sent.reserve(m_rows);
    RowBatch batch;
    batch.seq = 1;
    auto start = [&] {
        batch.body.reserve(room);
        batch.body += m_prefix;
        batch.body += std::to_string(batch.seq);
        batch.body += m_listField;
    };
    // The stop is looked at under the lock the batch is handed over with: a stop that comes between
    // the builder's last look and the hand-over still keeps the batch from being handed out.
    auto hand = [&] {
        room = std::max(room, batch.body.size() + batch.body.size() / 8);
        const int seq = batch.seq;
        {
            std::lock_guard lock(m_lock);
            if (m_stopped)
                return false;
            m_ready.push_back(std::move(batch));
        }
        m_changed.notify_all();
        batch = RowBatch{};
        batch.seq = seq + 1;
        return true;
    };
    start();
    SentRecipient who;
    for (size_t i = 0; i < m_rows; ++i) {
        if (!m_writer(i, batch.body, who))
            continue;
        sent.push_back(std::move(who));
        who = SentRecipient{};
        batch.rowEnd = i + 1;
        if (++batch.count >= m_batchSize) {
            if (stop.stop_requested() || !hand())
                return;
            start();
        }
    }
    if (batch.count > 0) {
        batch.rowEnd = m_rows;
        if (!hand())
            return;
    }
    {
        std::lock_guard lock(m_lock);
        m_sent = std::move(sent);
        m_finished = true;
    }
    m_changed.notify_all();
}
