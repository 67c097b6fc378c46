// The result receipt of one send of 10,000, 50,000 and 100,000 recipients: the send goes through the
// module and the simulated center (one in ten numbers fails delivery), its history is aged two days,
// and CResultReceiver::Run fetches the results, writes them to smslist and smssend and moves the
// members' failure stars.
#include <string>

#include <QDateTime>

#include "bench/benchcenter.h"
#include "results/resultreceiver.h"
#include "sms/smssend.h"
#include "text/codec.h"

using zmsg::K;

int main(int argc, char** argv) {
    ReceiptBench receipt;
    receipt.title = "Result receipt (CResultReceiver::Run)";
    receipt.marks = "stars";
    receipt.applyingText = K("수신받은 문자전송결과를 전송내역 DB에 적용중...");
    receipt.membersText = K("회원정보에 문자전송결과를 반영하는 중입니다.");
    receipt.memberValue = "mem_cel";
    receipt.stateColumn = "ss_result";
    receipt.failColumn = "ss_trfail";
    receipt.send = [](BenchCenter& bench, int n) {
        const SmsSendResult sent = SmsSendTransaction(bench.db(), BenchCenter::Input(n, 1000)).Run();
        if (sent.outcome != SmsSendOutcome::Sent || sent.callSent != n)
            return 0;
        // Sent two days ago: between the 24 hours and the two months the receipt looks at.
        const std::string when = QDateTime::currentDateTime()
                                     .addSecs(-2 * 24 * 3600)
                                     .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"))
                                     .toStdString();
        const std::string age =
            "UPDATE smssend SET ss_idate='" + when + "' WHERE ss_code=" + std::to_string(sent.localCode);
        return bench.db().ExecuteSQL(age.c_str()) == 0 ? sent.localCode : 0;
    };
    receipt.run = [](CSQLDirect& db, const ProgressHooks& progress) {
        return CResultReceiver(&db, 0).Run(progress);
    };
    return ReceiptBenchMain(argc, argv, receipt);
}
