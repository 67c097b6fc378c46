#include "smms/smmssend.h"

#include "center/db/sqldirect.h"

SmmsSendTransaction::SmmsSendTransaction(CSQLDirect& db, SmmsSendInput input, ProgressHooks progress)
    : m_db(db), m_in(std::move(input)), m_progress(std::move(progress)) {}

SmmsSendResult SmmsSendTransaction::Run() {
    m_result = SmmsSendResult{};
    m_result.unsettled = m_in.ownUnsettled;
    return m_result;
}
