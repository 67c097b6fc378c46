// A store program outside the tree, built against the installed packages only: it opens the store with
// the installed libzmsgdb and collects delivery results through the installed libzmsg.so, as a real
// back-office program would. Built by tests/installed/smoke.sh, never by the tree's CMake.
//
//   zmsg-smoke seed CONN LOCAL CENTER PHONE...  writes a send of two days ago to the store's history:
//                                               code LOCAL, the center's code CENTER, one row a phone
//   zmsg-smoke receive CONN                     ReceiveResult for every pending send
//   zmsg-smoke check CONN LOCAL PHONE...        the send received: each phone delivered, or failed
//                                               when it ends in 7 (the simulator's rule)
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <zmsg/sqldirect.h>
#include <zmsg/zmsg.h>

namespace {

int Fail(const std::string& what) {
    std::fprintf(stderr, "zmsg-smoke: %s\n", what.c_str());
    return 1;
}

bool Exec(CSQLDirect& db, const std::string& sql) {
    const int rc = db.ExecuteSQL(sql.c_str());
    if (rc == SQL_OK || rc == SQL_OK_INFO || rc == SQL_NODATA)
        return true;
    std::fprintf(stderr, "zmsg-smoke: %s: %s\n", sql.c_str(), db.GetLastError().c_str());
    return false;
}

int Seed(CSQLDirect& db, const std::string& local, const std::string& center,
         const std::vector<std::string>& phones) {
    // As the module writes a send, but with the numbers unmasked (key -1), which it matches as stored.
    if (!Exec(db,
              "INSERT INTO smssend (ss_code, ss_msg, ss_callback, ss_emp, ss_target, ss_trcount, "
              "ss_trfail, ss_reserve, ss_reservedate, ss_idate, ss_center, ss_result, ss_resultdate, "
              "ss_smms_center, ss_smms_count, ss_smms_fail, ss_smms_result, ss_smms_resultdate) VALUES (" +
                  local + ", 'smoke test', '0212345678', 1, 1, " + std::to_string(phones.size()) +
                  ", 0, 0, NULL, DATEADD(day, -2, GETDATE()), " + center + ", 0, NULL, 0, 0, 0, 0, NULL)"))
        return 1;
    for (size_t i = 0; i < phones.size(); ++i)
        if (!Exec(db, "INSERT INTO smslist (sl_sscode, sl_seq, sl_ref, sl_phone, sl_key, sl_result, "
                      "sl_sendtype) VALUES (" +
                          local + ", " + std::to_string(i + 1) + ", 0, '" + phones[i] + "', -1, 0, 0)"))
            return 1;
    return 0;
}

int Check(CSQLDirect& db, const std::string& local, const std::vector<std::string>& phones) {
    std::vector<std::vector<std::string>> send;
    if (!db.DoQuery("SELECT ss_result, ss_trfail FROM smssend WHERE ss_code=" + local, send) ||
        send.size() != 1)
        return Fail("send " + local + " not found: " + db.GetLastError());
    int failing = 0;
    for (const std::string& p : phones)
        failing += p.back() == '7' ? 1 : 0;
    if (send[0][0] != "1" || send[0][1] != std::to_string(failing))
        return Fail("send " + local + ": ss_result " + send[0][0] + ", ss_trfail " + send[0][1] +
                    "; expected 1 and " + std::to_string(failing));
    std::vector<std::vector<std::string>> rows;
    if (!db.DoQuery("SELECT sl_phone, sl_result FROM smslist WHERE sl_sscode=" + local + " ORDER BY sl_seq",
                    rows))
        return Fail(db.GetLastError());
    if (rows.size() != phones.size())
        return Fail("send " + local + ": " + std::to_string(rows.size()) + " rows");
    for (size_t i = 0; i < rows.size(); ++i) {
        const std::string expected = phones[i].back() == '7' ? "2" : "1";
        if (rows[i][0] != phones[i] || rows[i][1] != expected)
            return Fail("send " + local + ": " + rows[i][0] + " has result " + rows[i][1] + ", expected " +
                        expected);
    }
    std::printf("send %s: %zu results in the store, %d failed\n", local.c_str(), rows.size(), failing);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() < 2)
        return Fail("usage: zmsg-smoke seed|receive|check CONN ...");
    CSQLDirect db;
    if (!db.Open(args[1]))
        return Fail("cannot open " + args[1] + ": " + db.GetLastError());
    const std::string& what = args[0];
    if (what == "receive") {
        const int32_t completed = ReceiveResult(&db, 0);
        std::printf("ReceiveResult: %d\n", completed);
        return completed == 1 ? 0 : 1;
    }
    if (args.size() < 4)
        return Fail("usage: zmsg-smoke seed CONN LOCAL CENTER PHONE... | check CONN LOCAL PHONE...");
    if (what == "seed")
        return Seed(db, args[2], args[3], std::vector<std::string>(args.begin() + 4, args.end()));
    if (what == "check")
        return Check(db, args[2], std::vector<std::string>(args.begin() + 3, args.end()));
    return Fail("unknown command " + what);
}
