#include "tests/smms/smmssendcheck.h"

#include <cstdlib>

#include <QFile>

#include "tests/smms/testimages.h"
#include "text/codec.h"

using zmsg::K;

SmmsSendInput SampleSmmsSend(int recipients) {
    SmmsSendInput in;
    in.storeCode = 1001;
    in.empCode = 1;
    in.empName = K("김점장");
    in.title = K("(광고)알더마트 할인");
    in.body = K("(광고)이번 주 할인 안내\n무료수신거부 0800000000");
    in.callbackField = "02-1234-5678";
    in.header1 = K("회원명");
    in.header3 = K("포인트");
    for (int i = 0; i < recipients; ++i) {
        SmmsRow r;
        r.code = i + 1;
        r.phone = SendFixture::PhoneOf(i);
        r.name = K("회원") + std::to_string(i + 1);
        r.points = std::to_string(i * 10);
        in.rows.push_back(r);
    }
    return in;
}

SmmsSendResult SendSmms(SendFixture& f, const SmmsSendInput& input) {
    SmmsSendTransaction t(f.db(), input);
    return t.Run();
}

std::vector<AppHistory> AppHistoryOf(SendFixture& f) {
    std::vector<std::vector<std::string>> rows;
    f.db().DoQuery("SELECT ss_code, ss_smms_center, ss_smms_count, (SELECT COUNT(*) FROM smslist WHERE "
                   "sl_sscode=ss_code AND sl_sendtype=1), ss_center FROM smssend ORDER BY ss_code",
                   rows);
    std::vector<AppHistory> out;
    for (const auto& r : rows)
        out.push_back({std::atoi(r[0].c_str()), std::atoll(r[1].c_str()), std::atoi(r[2].c_str()),
                       std::atoi(r[3].c_str()), std::atoi(r[4].c_str())});
    return out;
}

std::vector<zmsg::sim::SmmsMessage> AppMessages(SendFixture& f) {
    return f.fx().sim().Center().Smms().MessagesOf(1001);
}

UploadPicture::UploadPicture() {
    m_path = m_dir.filePath(QStringLiteral("Alder_SMMS_Upload_test.jpg")).toStdString();
    QFile file(QString::fromStdString(m_path));
    m_ok = m_dir.isValid() && file.open(QIODevice::WriteOnly) &&
           file.write(testimages::Jpeg(testimages::Quadrants(40, 30))) > 0;
}
