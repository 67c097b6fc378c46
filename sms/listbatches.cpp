#include "sms/listbatches.h"

#include <algorithm>
#include <chrono>
#include <utility>

#include "sms/recipientlist.h"

ListBatches::ListBatches(const std::vector<Recipient>& rows, std::string prefix, int batchSize,
                         ListFields fields)
    : m_rows(rows), m_prefix(std::move(prefix)), m_batchSize(std::max(1, batchSize)), m_fields(fields),
      m_builder([this](std::stop_token stop) { Build(stop); }) {}

ListBatches::~ListBatches() {
    Stop();
}

void ListBatches::Stop() {
    m_builder.request_stop();
    {
        std::lock_guard lock(m_lock);
        m_stopped = true;
        m_ready.clear();
    }
    m_changed.notify_all();
}

std::optional<ListBatch> ListBatches::Next(const std::function<void()>& waiting) {
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
    ListBatch batch = std::move(m_ready.front());
    m_ready.pop_front();
    return batch;
}

std::optional<std::vector<SentRecipient>> ListBatches::Recipients() {
    std::unique_lock lock(m_lock);
    m_changed.wait(lock, [this] { return m_finished || m_stopped; });
    if (!m_finished || m_stopped)
        return std::nullopt;
    return std::move(m_sent);
}

void ListBatches::Build(std::stop_token stop) {
    // The bodies are a few megabytes for the largest send: all are built as fast as they can be, and
    // the posts take them as they come. Each is sized from the one before, so it is allocated once.
    size_t room = m_prefix.size() + 16 + static_cast<size_t>(m_batchSize) * (m_fields.merge ? 64 : 16);
    std::vector<SentRecipient> sent;
    sent.reserve(m_rows.size());
    ListBatch batch;
    batch.seq = 1;
    auto start = [&] {
        batch.body.reserve(room);
        batch.body += m_prefix;
        batch.body += std::to_string(batch.seq);
        batch.body += "&list=";
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
        batch = ListBatch{};
        batch.seq = seq + 1;
        return true;
    };
    start();
    for (size_t i = 0; i < m_rows.size(); ++i) {
        const Recipient& r = m_rows[i];
        if (!r.checked || !r.bySms)
            continue;
        sent.push_back({r.code, r.phone});
        std::string& body = batch.body;
        body += "}{";
        body += r.phone;
        if (m_fields.merge) {
            body += '|';
            if (m_fields.use1)
                AppendCellForPost(body, r.name);
            body += '|';
            if (m_fields.use3)
                AppendCellForPost(body, r.text3);
            body += '|';
            if (m_fields.use4)
                AppendCellForPost(body, r.text4);
        }
        batch.rowEnd = i + 1;
        if (++batch.count >= m_batchSize) {
            if (stop.stop_requested() || !hand())
                return;
            start();
        }
    }
    if (batch.count > 0) {
        batch.rowEnd = m_rows.size();
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
