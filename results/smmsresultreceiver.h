// Collects the delivery results of earlier app messages (alone or as the app part of a combined
// send) and applies them to the local history and to the members' failure counter mem_smmsfail,
// which counts failed app messages up to 3 and is reset by a delivery. One object per run; its own
// lock beside the SMS receipt's, so the two may run at the same time.
#pragma once

#include <cstdint>
#include <string>

#include "results/receiptrun.h"

class CSmmsResultReceiver : public CReceiptRun {
public:
    // ssCode > 0 selects that one local send, otherwise every send with app results pending.
    CSmmsResultReceiver(CSQLDirect* db, int32_t ssCode);
    ~CSmmsResultReceiver() override;

    static constexpr const char* kLockName = "SMMSResult_IsRunning";

private:
    enum class SendStep { Next, Stop };
    struct SendRow;
    int Receive(const ProgressHooks& progress) override;
    std::string PendingCondition() const override;
    SendStep ReceiveSend(const SendRow& send, const std::string& limit, const ProgressHooks& progress);
    bool ApplyToMembers(int32_t localCode, const ProgressHooks& progress, int& changed);
};
