// The steps every send to the center shares once it has its code (SS, ML, ...): the recipient batches
// posted while the journal entry is written beside them, then the end, posted only once the entry is
// on disk, with the journal kept in step with the answer. The SMS send and the app-message send (and
// the coupon issue) give it their requests and texts.
#pragma once

#include <functional>
#include <string>

#include "center/send/rowbatches.h"
#include "center/send/sendsettle.h"
#include "center/send/sendstate.h"
#include "frame/progresshooks.h"

enum class BatchesRun {
    Posted,  // every batch went through and the journal holds the send: its end may be posted
    Failed,  // a batch failed (post said why); the journal does not hold the send
    NotKept, // the journal could not be written: the end must not be posted
};

// How one kind of send names its batches: the log line's head (followed by "<seq>차 <count>건") and
// what the clerk is told when a batch could not be posted, or the center did not record it (the
// center's reason follows). CP949.
struct BatchTexts {
    std::string bindLog;
    std::string unreachable;
    std::string notRecorded;
};

// Posts one batch (its body is used up) on a fresh connection and checks that the center recorded
// every recipient of it: a positive reply whose "OK" count is the batch's. On false, failure holds
// what the clerk is told.
bool PostCheckedBatch(const std::string& url, RowBatch& batch, const BatchTexts& texts, std::string& failure);

// Posts every batch with `post` (false stops: it has shown why) while the journal entry, with the
// recipients the batches go to, is written; the entry is put in place only once all went through.
// The progress position follows the rows.
BatchesRun PostBatchesKept(SendState& state, PendingSend entry, RowBatches& batches,
                           const std::function<bool(RowBatch&)>& post, const ProgressHooks& progress);

// Posts the end of the send the journal holds (three tries) and keeps the journal in step: a
// refusal drops the entry, a refusal after a lost reply marks it disputed with the center's reason,
// anything but an answer leaves it unknown. reply receives the converted reply.
EndReply PostEndKept(SendState& state, const PendingSend& entry, const ProgressHooks& progress,
                     std::string& reply);
