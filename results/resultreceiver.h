// Collects the delivery results of earlier SMS/LMS sends from the center and applies them to the
// local history and to the members' failure stars. One object per run.
#pragma once

#include <cstdint>
#include <string>

#include "results/runlock.h"
#include "sms/progresshooks.h"

class CSQLDirect;

class CResultReceiver {
public:
    // ssCode > 0 selects that one local send, otherwise every pending send.
    CResultReceiver(CSQLDirect* db, int32_t ssCode);
    virtual ~CResultReceiver();
    CResultReceiver(const CResultReceiver&) = delete;
    CResultReceiver& operator=(const CResultReceiver&) = delete;

    // 1 when every selected send was gone through; 0 when the run stopped early (another run active,
    // a database or communication failure, or the one send asked for is too recent).
    int Run(const ProgressHooks& progress = {});

    // The name the "one run at a time" lock is taken under.
    static constexpr const char* kLockName = "SMSResult_IsRunning";

private:
    enum class SendStep { Next, Stop };
    struct SendRow;
    int RunLocked(const ProgressHooks& progress);
    SendStep ReceiveSend(const SendRow& send, const std::string& limit, const ProgressHooks& progress);
    SendStep Confirm(const SendRow& send, bool received);
    bool ApplyToMembers(int32_t localCode, const ProgressHooks& progress);
    void Show(const std::string& text);

    RunLock m_lock;
    CSQLDirect* m_db;
    int32_t m_mart = 0;
    int32_t m_ssCode;
    int m_applied = 0; // sends whose results this run wrote
};
