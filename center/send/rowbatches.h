// The recipient batch request bodies of a send (SMSLIST, SMMSTRAN, ...), built on a thread of their
// own while the batches go out. With
// merge fields every recipient carries converted cells, and building a batch takes a good part of the
// time its post takes; built while the batch before waits for the center's reply, it no longer adds
// to the send. The same pass over the list collects who is sent to, for the state file, so the list
// (a few hundred bytes a row) is read once. What is posted, and in which order, is exactly what a
// plain loop would post.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "center/send/sendstate.h"

struct RowBatch {
    int seq = 0;       // 1, 2, ...
    int count = 0;     // recipients in the batch
    size_t rowEnd = 0; // rows of the list gone through up to the end of this batch
    std::string body;  // the whole request body
};

// Appends row `row`'s element ("}{phone...") to the body and says who it goes to; false for a row that
// does not take part. Called on the builder's thread, in row order.
using RowWriter = std::function<bool(size_t row, std::string& body, SentRecipient& who)>;

class RowBatches {
public:
    // prefix is the body up to the sequence number ("work=SMSLIST&...&seq="), listField what follows
    // it ("&list="). What the writer reads must outlive this object unchanged.
    RowBatches(size_t rows, std::string prefix, std::string listField, int batchSize, RowWriter writer,
               size_t elementRoom = 16);
    // Stops the builder; batches not taken are dropped.
    ~RowBatches();
    RowBatches(const RowBatches&) = delete;
    RowBatches& operator=(const RowBatches&) = delete;

    // The next batch in order, waiting for it when it is not built yet; empty after the last one.
    // While it waits, `waiting` runs every kWaitSliceMs (the progress window keeps painting).
    std::optional<RowBatch> Next(const std::function<void()>& waiting = {});
    static constexpr int kWaitSliceMs = 50;
    // Everyone the batches go to, in order, once the builder has gone through the whole list; empty
    // when it was stopped before. May be called from another thread than Next, once.
    std::optional<std::vector<SentRecipient>> Recipients();
    // Stops the builder early (the send gave up): Next and Recipients return empty from now on.
    void Stop();

private:
    void Build(std::stop_token stop);

    const size_t m_rows;
    const std::string m_prefix;
    const std::string m_listField;
    const int m_batchSize;
    const RowWriter m_writer;
    const size_t m_elementRoom;

    std::mutex m_lock;
    std::condition_variable_any m_changed;
    std::deque<RowBatch> m_ready;
    std::vector<SentRecipient> m_sent;
    bool m_finished = false; // the whole list was gone through
    bool m_stopped = false;
    std::jthread m_builder; // last: starts once everything above is in place
};
