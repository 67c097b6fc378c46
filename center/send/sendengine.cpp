#include "center/send/sendengine.h"

#include <chrono>
#include <future>
#include <optional>
#include <utility>
#include <vector>

#include "center/replyreader.h"
#include "center/requestclient.h"
#include "frame/log.h"
#include "frame/operationpump.h"
#include "text/codec.h"

using zmsg::K;

bool PostCheckedBatch(const std::string& url, RowBatch& batch, const BatchTexts& texts,
                      std::string& failure) {
    WriteLog(texts.bindLog + std::to_string(batch.seq) + K("차 ") + std::to_string(batch.count) + K("건"), 0);
    std::string raw;
    if (!RequestPost(url, std::move(batch.body), raw, 60000, ConnectionUse::Fresh)) {
        failure = texts.unreachable;
        return false;
    }
    const std::string reply = zmsg::ConvertReply(raw);
    if (!zmsg::IsPositiveReply(reply, 4)) {
        failure = texts.notRecorded + zmsg::ReasonSuffix(reply);
        return false;
    }
    const int recorded = zmsg::ElementInt(reply, "OK");
    if (recorded != batch.count) {
        failure = K("전송건 오류(보낸건:") + std::to_string(batch.count) + K(", 센터기록건:") +
                  std::to_string(recorded) + ")";
        return false;
    }
    return true;
}

BatchesRun PostBatchesKept(SendState& state, PendingSend entry, RowBatches& batches,
                           const std::function<bool(RowBatch&)>& post, const ProgressHooks& progress) {
    const SendKind kind = entry.kind;
    const int64_t code = entry.centerCode;
    entry.phase = PendingSend::Phase::Unknown;
    // The journal must hold this send before its end is posted. Writing it (megabytes for a large
    // send, synced) goes on while the batches are posted; it is put in place only once they all went
    // through, so a failed or interrupted send never leaves an end to be asked about. The state is not
    // touched here until the writer has ended; the entry with its recipients lives only in the state.
    // The writer and the batch builder run at the window thread's own priority: it waits on them, and
    // in a lower class they would wait behind every other program on a busy till.
    std::future<void> written =
        std::async(std::launch::async, [&batches, &state, entry = std::move(entry)]() mutable {
            std::optional<std::vector<SentRecipient>> sent = batches.Recipients();
            if (sent) { // else the send gave up
                entry.recipients = std::move(*sent);
                state.Put(std::move(entry));
                state.Prepare();
            }
        });
    bool ok = true;
    while (ok) {
        std::optional<RowBatch> batch = batches.Next(zmsg::RunRequestProgress);
        if (!batch)
            break;
        progress.Pos(static_cast<int>(batch->rowEnd));
        ok = post(*batch);
    }
    if (!ok)
        batches.Stop();
    // The window keeps painting while the helpers end.
    while (written.wait_for(std::chrono::milliseconds(RowBatches::kWaitSliceMs)) != std::future_status::ready)
        zmsg::RunRequestProgress();
    written.get();
    if (!ok) {
        state.Remove(code, kind);
        return BatchesRun::Failed;
    }
    // On disk before the end is posted: whatever happens to the reply (or to this process), the next
    // send or receipt asks about this end before anything else. An end that could not be kept is not
    // posted: unended, the send goes out to nobody and costs nothing.
    if (!state.Commit()) {
        state.Remove(code, kind);
        state.Save();
        return BatchesRun::NotKept;
    }
    return BatchesRun::Posted;
}

EndReply PostEndKept(SendState& state, const PendingSend& entry, const ProgressHooks& progress,
                     std::string& reply) {
    const EndReply r = PostEnd(entry, false, progress, reply);
    if (r == EndReply::Disputed) {
        // A try before went unanswered: the refusal may mean the center ended it then.
        PendingSend disputed = entry;
        disputed.phase = PendingSend::Phase::Disputed;
        disputed.reason = RefusalReason(reply);
        state.Put(std::move(disputed));
        state.Save();
    } else if (r == EndReply::Refused) {
        state.Remove(entry.centerCode, entry.kind);
        state.Save();
    }
    return r;
}
