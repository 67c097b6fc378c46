// Another host program on the same host folder and store, pressing the send button once: the send
// transaction its SMS dialog would run, to one member of its own list. Prints every message it showed
// and its outcome, for the test that started it.
//   zmsg_test_sendpeer HOSTDIR STOREFILE PHONE
#include <cstdio>
#include <string>

#include <QCoreApplication>

#include "db/sqldirect.h"
#include "frame/moduleapp.h"
#include "sms/smssend.h"
#include "tests/sms/samplesend.h"
#include "tests/support/scriptedmessages.h"

namespace {

std::string g_phone;

std::string Phone(int) {
    return g_phone;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 4)
        return 2;
    g_strHostDir = argv[1];
    g_phone = argv[3];
    CSQLDirect db;
    if (!db.Open(std::string("sqlite:") + argv[2]))
        return 3;
    ScriptedMessages boxes;
    SmsSendTransaction send(db, SampleSmsSend(1, 100, 1001, 5000, Phone));
    const SmsSendResult result = send.Run();
    for (const std::string& text : boxes.texts())
        std::printf("shown: %s\n", text.c_str());
    std::printf("outcome: %d\n", static_cast<int>(result.outcome));
    return 0;
}
