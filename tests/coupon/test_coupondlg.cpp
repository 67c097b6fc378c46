// The coupon issue dialog as a store clerk meets it: opened over the sample store and the simulated
// center, offscreen, the coupon chosen on the center's own page, every message box answered by a script.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>

#include <map>
#include <memory>
#include <set>

#include "center/send/sendstate.h"
#include "center/web/webbrowser2.h"
#include "coupon/ui/couponissuedlg.h"
#include "db/sqldirect.h"
#include "frame/widgets/trellisex.h"
#include "sim/faultplan.h"
#include "sim/formdata.h"
#include "tests/sms/dialogstore.h"
#include "tests/support/faultwalk.h"
#include "tests/support/runscript.h"
#include "tests/support/scriptedmessages.h"
#include "tests/support/simfixture.h"
#include "text/codec.h"

using zmsg::sim::FaultKind;
using zmsg::sim::FieldOf;

namespace {

const char* const kIssuedTo250 = "지정된 회원 250명을 대상으로 AlderS 쿠폰을 발행했습니다.\n\n"
                                 "확인을 누르시면 AlderS 쿠폰발행창을 닫습니다.";
const char* const kIssuedToAll = "전체 단골회원을 대상으로 AlderS 쿠폰을 발행했습니다.\n\n"
                                 "확인을 누르시면 AlderS 쿠폰발행창을 닫습니다.";

} // namespace

class TestCouponDlg : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<DialogStore> m_store;
    CSQLDirect* m_db = nullptr;
    SimFixture* m_fx = nullptr;

    template <typename T> T* Child(QObject& dlg, const char* name) { return FindChild<T>(dlg, name); }

    // Clicks a page button and waits for the list page; false when no page arrived.
    bool OpenPage(CCouponIssueDlg& dlg, const char* button) {
        QSignalSpy done(dlg.ListBrowser(), &CWebBrowser2::DocumentComplete);
        QTest::mouseClick(Child<QPushButton>(dlg, button), Qt::LeftButton);
        return done.wait(kPageTimeout) && done.first().first().toBool();
    }

    // Runs a script on the coupon list that makes the page give a command, and waits until the
    // chosen coupon's page was asked for.
    bool Choose(CCouponIssueDlg& dlg, const QString& script) {
        const size_t before = ChosenPages().size();
        return RunScript(*dlg.ListBrowser(), script) &&
               QTest::qWaitFor([&] { return ChosenPages().size() > before; }, kPageTimeout);
    }

    // The coupon page requests' cp values, in order.
    std::vector<std::string> ChosenPages() {
        std::vector<std::string> out;
        for (const auto& r : m_fx->sim().Requests().All())
            if (r.path == "/CouponIssue/CouponSelected.aspx")
                out.push_back(FieldOf(r.fields, "cp"));
        return out;
    }

    // Requests for the coupon list and history pages.
    int ListPages() {
        int n = 0;
        for (const auto& r : m_fx->sim().Requests().All())
            n += r.path == "/CouponIssue/AppCoupon.aspx" ? 1 : 0;
        return n;
    }

    // The simulator's state of its coupon issues, as /_sim/state shows it.
    QJsonArray Issues() {
        return QJsonDocument::fromJson(QByteArray::fromStdString(m_fx->sim().Center().ToJson()))
            .object()[QStringLiteral("issues")]
            .toArray();
    }

    void Press(CCouponIssueDlg& dlg) {
        QTest::mouseClick(Child<QPushButton>(dlg, "issueButton"), Qt::LeftButton);
    }

private slots:
    void init() {
        m_store = std::make_unique<DialogStore>();
        QVERIFY(m_store->ok());
        m_db = m_store->db();
        m_fx = &m_store->fx();
    }

    void cleanup() { m_store.reset(); }

    void storeWithoutCouponAccountClosesTheDialog() {
        ScriptedMessages boxes;
        // Store 1003 is known to the center without any account.
        QCOMPARE(m_db->ExecuteSQL("UPDATE ccode SET cc_maxcode=1003 WHERE cc_code=7"), 0);
        CCouponIssueDlg dlg(m_db, 1, "", "AND mem_code <= 60");
        QCOMPARE(dlg.exec(), int(QDialog::Rejected));
        QCOMPARE(boxes.texts(),
                 (std::vector<std::string>{
                     "센터에 쿠폰발행용 점포정보가 없습니다.\n\n고객지원센터에 문의해 주십시오."}));
        const auto requests = m_fx->sim().Requests().All();
        QCOMPARE(requests.size(), size_t(1));
        QCOMPARE(QString::fromStdString(requests[0].path), QStringLiteral("/CouponIssue/AppRequest.ashx"));
        QCOMPARE(QString::fromStdString(FieldOf(requests[0].fields, "mart")), QStringLiteral("1003"));
        QCOMPARE(requests[0].verb, std::string("MARTINFO"));
    }

    void membersPagesAndTheChosenCoupon() {
        ScriptedMessages boxes;
        CCouponIssueDlg dlg(m_db, 1, "", "AND mem_code <= 60");
        QVERIFY(dlg.Start());
        dlg.show();
        auto* grid = Child<CTrellisEx>(dlg, "memberGrid");
        QTRY_COMPARE(grid->GetRowCount(), 21);
        QVERIFY(dlg.windowTitle().startsWith(QStringLiteral("AlderS 쿠폰발행 - ")));
        QCOMPARE(dlg.StoreCode(), 1001);
        // Refusal of advertising does not matter for a coupon: only the app counts.
        QCOMPARE(boxes.texts(), (std::vector<std::string>{
                                    "총 60건중 40건의 전화번호가 부적합하여 20건만 전송대상에 추가했습니다.\n"
                                    "\n▶ 전화번호형식오류 : 1 건"
                                    "\n▶ AlderS 미접속 : 39 건"}));
        QCOMPARE(zmsg::Cp949ToUtf8(grid->GetItemText(0, 4)), std::string("상호"));
        QCOMPARE(zmsg::Cp949ToUtf8(grid->GetItemText(0, 5)), std::string("AlderS접속"));
        for (int row = 1; row < grid->GetRowCount(); ++row) {
            QCOMPARE(grid->GetItemData(row, 0), 3 * row);
            QVERIFY(grid->IsCellChecked(row, 1));
        }
        QCOMPARE(zmsg::Cp949ToUtf8(grid->GetItemText(13, 4)), std::string("행복상회")); // member 39
        QCOMPARE(Child<QPushButton>(dlg, "pageMembersButton")->toolTip(),
                 QStringLiteral("AlderS 쿠폰을 발행할 대상을 선택합니다."));

        // "전체 회원" at first: no grid. "특정 회원" shows it and its buttons.
        auto* description = Child<QLabel>(dlg, "targetDescription");
        QVERIFY(Child<QRadioButton>(dlg, "allMembersRadio")->isChecked());
        QCOMPARE(description->text(),
                 QStringLiteral("(우리 점포를 단골마트로 지정한 모든 회원을 대상으로 발행합니다.)"));
        QVERIFY(!grid->isVisible());
        QVERIFY(!dlg.ListBrowser()->isVisible());
        QTest::mouseClick(Child<QRadioButton>(dlg, "someMembersRadio"), Qt::LeftButton);
        QCOMPARE(description->text(), QStringLiteral("(아래 지정한 회원만을 대상으로 발행합니다.)"));
        QVERIFY(grid->isVisible());
        QTest::mouseClick(Child<QPushButton>(dlg, "uncheckAllButton"), Qt::LeftButton);
        QCOMPARE(dlg.CheckedCount(), 0);
        QTest::mouseClick(Child<QPushButton>(dlg, "checkAllButton"), Qt::LeftButton);
        QCOMPARE(dlg.CheckedCount(), 20);

        // The start showed the chosen-coupon page for none.
        QTRY_COMPARE(ChosenPages(), (std::vector<std::string>{"0"}));

        // The coupon list: the grid side hides; its button again reloads nothing.
        QVERIFY(OpenPage(dlg, "pageCouponsButton"));
        QCOMPARE(dlg.CurrentPage(), 2);
        QVERIFY(!grid->isVisible());
        QVERIFY(!description->isVisible());
        QVERIFY(dlg.ListBrowser()->isVisible());
        QCOMPARE(dlg.ListBrowser()->title(), QStringLiteral("쿠폰함"));
        QCOMPARE(ListPages(), 1);
        QTest::mouseClick(Child<QPushButton>(dlg, "pageCouponsButton"), Qt::LeftButton);
        QVERIFY(Child<QPushButton>(dlg, "pageCouponsButton")->isChecked());

        // A coupon clicked on the page, then a choice the page cannot name: coupon 0. By the time the
        // chosen coupon's page was asked for, a reload of the list would have arrived too.
        QVERIFY(Choose(dlg, QStringLiteral("document.getElementById('coupon12').click()")));
        QCOMPARE(ListPages(), 1);
        QCOMPARE(dlg.ChosenCoupon(), 12);
        QVERIFY(Choose(dlg, QStringLiteral("chosen = 0; location.href = "
                                           "'AppCoupon.aspx?page=COUPON&cmd=DoSelectCoupon'")));
        QCOMPARE(dlg.ChosenCoupon(), 0);
        QCOMPARE(ChosenPages(), (std::vector<std::string>{"0", "12", "0"}));

        // Pressed without a coupon: told, and the coupon list stays; back on the members with
        // nobody checked: told, and the members are shown.
        boxes.clear();
        Press(dlg);
        QCOMPARE(boxes.texts(), (std::vector<std::string>{"발행하실 쿠폰을 선택해 주십시오."}));
        QCOMPARE(dlg.CurrentPage(), 2);
        QVERIFY(Choose(dlg, QStringLiteral("document.getElementById('coupon11').click()")));
        QVERIFY(OpenPage(dlg, "pageIssuesButton"));
        QCOMPARE(dlg.ListBrowser()->title(), QStringLiteral("쿠폰 발행내역"));
        QTest::mouseClick(Child<QPushButton>(dlg, "pageMembersButton"), Qt::LeftButton);
        QTest::mouseClick(Child<QPushButton>(dlg, "uncheckAllButton"), Qt::LeftButton);
        OpenPage(dlg, "pageCouponsButton");
        boxes.clear();
        Press(dlg);
        QCOMPARE(boxes.texts(),
                 (std::vector<std::string>{"특정회원 대상 발행을 선택하셨으나 지정된 회원이 없습니다."}));
        QCOMPARE(dlg.CurrentPage(), 1);
        QVERIFY(grid->isVisible());
        QCOMPARE(m_fx->sim().Requests().Count("ISSUEBEGIN"), 0);
        QVERIFY(dlg.isVisible());
    }

    void issuesToTheCheckedMembersOnce() {
        ScriptedMessages boxes;
        CCouponIssueDlg dlg(m_db, 1, "", "AND mem_code <= 900");
        QVERIFY(dlg.Start());
        dlg.show();
        auto* grid = Child<CTrellisEx>(dlg, "memberGrid");
        QTRY_VERIFY(grid->GetRowCount() > 280);
        QTest::mouseClick(Child<QRadioButton>(dlg, "someMembersRadio"), Qt::LeftButton);
        QTest::mouseClick(Child<QPushButton>(dlg, "uncheckAllButton"), Qt::LeftButton);
        // 250 members checked, every seventh row left out between them.
        std::set<std::string> chosen;
        for (int row = 1; row < grid->GetRowCount() && chosen.size() < 250; ++row) {
            if (row % 7 == 0)
                continue;
            grid->SetCellCheck(row, 1, true);
            chosen.insert(grid->GetItemText(row, 2));
        }
        QCOMPARE(dlg.CheckedCount(), 250);

        QVERIFY(OpenPage(dlg, "pageCouponsButton"));
        QVERIFY(Choose(dlg, QStringLiteral("document.getElementById('coupon13').click()")));
        QCOMPARE(dlg.ChosenCoupon(), 13);
        boxes.clear();
        Press(dlg);
        QCOMPARE(boxes.texts(), (std::vector<std::string>{kIssuedTo250}));
        QCOMPARE(boxes.shown()[0].color, 0x9B0000u); // dark blue
        QVERIFY(!dlg.isVisible());
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(dlg.IssueCode(), 301);

        const QJsonArray issues = Issues();
        QCOMPARE(issues.size(), 1);
        const QJsonObject issue = issues[0].toObject();
        QCOMPARE(issue[QStringLiteral("coupon")].toInt(), 13);
        QCOMPARE(issue[QStringLiteral("istp")].toInt(), 2);
        QCOMPARE(issue[QStringLiteral("batches")].toInt(), 3);
        QVERIFY(issue[QStringLiteral("ended")].toBool());
        const QJsonObject given = issue[QStringLiteral("given")].toObject();
        QCOMPARE(given.size(), 250);
        for (const std::string& phone : chosen)
            QCOMPARE(given[QString::fromStdString(phone)].toInt(), 1);
    }

    void issuesToAllMembersWithoutBatches() {
        ScriptedMessages boxes;
        CCouponIssueDlg dlg(m_db, 1, "", "");
        QVERIFY(dlg.Start());
        dlg.show();
        auto* grid = Child<CTrellisEx>(dlg, "memberGrid");
        QCOMPARE(grid->GetRowCount(), 1); // nothing named, nothing loaded
        QVERIFY(OpenPage(dlg, "pageCouponsButton"));
        QVERIFY(Choose(dlg, QStringLiteral("document.getElementById('coupon11').click()")));
        Press(dlg);
        QCOMPARE(boxes.texts(), (std::vector<std::string>{kIssuedToAll}));
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(m_fx->sim().Requests().Count("ISSUEUSER"), 0);
        const QJsonObject issue = Issues()[0].toObject();
        QCOMPARE(issue[QStringLiteral("istp")].toInt(), 1);
        QVERIFY(issue[QStringLiteral("ended")].toBool());
        QCOMPARE(QString::fromStdString(FieldOf(m_fx->sim().Requests().All().back().fields, "work")),
                 QStringLiteral("ISSUEEND"));
    }

    void unansweredEndKeepsTheDialogAndIsToldAtTheNextStart() {
        ScriptedMessages boxes;
        const std::string codes = "3,6,9,12,15";
        {
            CCouponIssueDlg dlg(m_db, 1, codes, "");
            QVERIFY(dlg.Start());
            dlg.show();
            QTRY_COMPARE(Child<CTrellisEx>(dlg, "memberGrid")->GetRowCount(), 6);
            QTest::mouseClick(Child<QRadioButton>(dlg, "someMembersRadio"), Qt::LeftButton);
            QVERIFY(OpenPage(dlg, "pageCouponsButton"));
            QVERIFY(Choose(dlg, QStringLiteral("document.getElementById('coupon11').click()")));
            for (int nth = 1; nth <= 3; ++nth)
                ArmFault(*m_fx, "ISSUEEND", nth, FaultKind::CloseBefore);
            boxes.clear();
            Press(dlg);
            QCOMPARE(boxes.texts().size(), size_t(1));
            QVERIFY(boxes.texts()[0].starts_with(
                "센터에 AlderS 쿠폰발행완료 응답을 수신할 수 없습니다.(통신실패)"));
            QVERIFY(dlg.isVisible());
            QVERIFY(dlg.Unsettled().has_value());
            QCOMPARE(m_fx->sim().Requests().Count("ISSUEEND"), 3);
            dlg.reject();
        }
        QVERIFY(!Issues()[0].toObject()[QStringLiteral("ended")].toBool());

        // The next window tells of it before anything else, and its first press asks the center.
        boxes.clear();
        CCouponIssueDlg dlg(m_db, 1, "", "");
        QVERIFY(dlg.Start());
        QCOMPARE(boxes.texts().size(), size_t(1));
        QVERIFY(boxes.texts()[0].starts_with("※ 완료 확인 대기 중인 쿠폰발행 (쿠폰번호 11, 지정된 회원 5명"));
        QVERIFY(boxes.texts()[0].ends_with("AlderS 쿠폰 발행 버튼을 누르면 먼저 이 발행의 완료 여부를 센터에 "
                                           "확인합니다. 두 번 발행하지 않습니다."));
        QVERIFY(dlg.Unsettled().has_value());
        dlg.show();
        // No coupon chosen yet: settling needs none.
        boxes.clear();
        Press(dlg);
        QCOMPARE(boxes.texts().size(), size_t(1));
        QVERIFY(boxes.texts()[0].starts_with(
            "완료응답을 받지 못했던 이전 AlderS 쿠폰발행이 센터에서 완료되었습니다."));
        QVERIFY(boxes.texts()[0].ends_with("AlderS 쿠폰 발행 버튼을 다시 눌러 주십시오."));
        QVERIFY(dlg.isVisible());
        QVERIFY(!dlg.Unsettled().has_value());
        QCOMPARE(m_fx->sim().Requests().Count("ISSUEBEGIN"), 1);
        QCOMPARE(Issues().size(), 1);
        QVERIFY(Issues()[0].toObject()[QStringLiteral("ended")].toBool());
        SendState state(SendStatePath());
        state.Load();
        QVERIFY(state.empty());
    }
};

QTEST_MAIN(TestCouponDlg)
#include "test_coupondlg.moc"
