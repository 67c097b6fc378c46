// The app-message result receipt of one message to 10,000, 50,000 and 100,000 members: the message is
// made at the simulated center (batches of 100) and kept in the history with masked numbers as the
// send leaves it (one in ten numbers fails delivery; one member in twenty had a failure counted
// before), aged two days, and CSmmsResultReceiver::Run fetches the results, writes them to smslist
// and smssend and moves the members' counters.
#include <string>
#include <utility>
#include <vector>

#include "bench/benchcenter.h"
#include "results/smmsresultreceiver.h"
#include "tests/results/appsend.h"
#include "text/codec.h"

using zmsg::K;

int main(int argc, char** argv) {
    ReceiptBench receipt;
    receipt.title = "App-message result receipt (CSmmsResultReceiver::Run)";
    receipt.marks = "counters";
    receipt.applyingText = K("수신받은 SMMS결과를 전송내역 DB에 적용중...");
    receipt.membersText = K("회원정보에 SMMS전송결과를 반영하는 중입니다.");
    receipt.memberValue = "ISNULL(mem_smmsfail, 0)";
    receipt.stateColumn = "ss_smms_result";
    receipt.failColumn = "ss_smms_fail";
    receipt.send = [](BenchCenter& bench, int n) {
        std::vector<std::pair<int, std::string>> members;
        members.reserve(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i)
            members.emplace_back(i + 1, BenchCenter::PhoneOf(i));
        const auto sent = MakeAppSend(bench.db(), members, 2 * 24 * 3600);
        if (!sent || sent->sent != n ||
            bench.db().ExecuteSQL("UPDATE member SET mem_smmsfail=1 WHERE mem_code % 20 = 2") != 0)
            return 0;
        return sent->localCode;
    };
    receipt.run = [](CSQLDirect& db, const ProgressHooks& progress) {
        return CSmmsResultReceiver(&db, 0).Run(progress);
    };
    return ReceiptBenchMain(argc, argv, receipt);
}
