// Collects the delivery results of earlier SMS/LMS sends from the center and applies them to the
// local history and to the members' failure stars. One object per run.
#pragma once

#include <cstdint>
#include <string>

#include "results/receiptrun.h"

class CResultReceiver : public CReceiptRun {
public:
    // ssCode > 0 selects that one local send, otherwise every pending send.
    CResultReceiver(CSQLDirect* db, int32_t ssCode);
    ~CResultReceiver() override;

    // The name the "one run at a time" lock is taken under.
    static constexpr const char* kLockName = "SMSResult_IsRunning";

private:
    enum class SendStep { Next, Stop };
    struct SendRow;
    int Receive(const ProgressHooks& progress) override;
    std::string PendingCondition() const override;
    SendStep ReceiveSend(const SendRow& send, const std::string& limit, const ProgressHooks& progress);
    SendStep Confirm(const SendRow& send, bool received);
    // changed: members who got a failure star.
    bool ApplyToMembers(int32_t localCode, const ProgressHooks& progress, int& changed);
};
