// The refusal list as the clerk works it: opened offscreen over the sample store and the simulated
// opt-out server, requests downloaded and matched to members, refusals applied, the notice sent (or
// not) through the SMS dialog, requests completed by hand; every message box answered by a script.
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDateEdit>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <memory>
#include <string>
#include <vector>

#include "center/phonemask.h"
#include "frame/clock.h"
#include "frame/urlopener.h"
#include "frame/widgets/trellisex.h"
#include "optout/ui/refuselistdlg.h"
#include "sim/faultplan.h"
#include "sim/formdata.h"
#include "sms/ui/smsdlg.h"
#include "tests/sms/dialogstore.h"
#include "tests/sms/gridclick.h"
#include "tests/support/faultwalk.h"
#include "tests/support/scriptedmessages.h"
#include "tests/support/whenmodal.h"
#include "text/codec.h"

using zmsg::K;

namespace {

const QDateTime kNow(QDate(2026, 12, 7), QTime(10, 0));
constexpr int kStore = 1001;

enum Column {
    kNo,
    kDay,
    kNumber,
    kStatus,
    kEditDate,
    kMember,
    kBarcode,
    kMobile,
    kSms,
    kRefuseDate,
    kSmsDate
};

std::string DigitsOf(const std::string& text) {
    std::string digits;
    for (char ch : text)
        if (ch >= '0' && ch <= '9')
            digits += ch;
    return digits;
}

std::string U8(const std::string& cp949) {
    return zmsg::Cp949ToUtf8(cp949);
}

} // namespace

class TestRefuseListDlg : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<DialogStore> m_store;
    std::vector<std::string> m_opened; // addresses handed to the browser
    UrlOpener m_previousOpener;

    std::string Query(const std::string& sql) { return m_store->Query(sql); }
    // A member's mobile as the refusing number of a call: restored, digits only.
    std::string PhoneOf(int member) {
        const std::string stored =
            Query("SELECT mem_cel FROM member WHERE mem_code=" + std::to_string(member));
        const int key =
            std::stoi(Query("SELECT mem_key4 FROM member WHERE mem_code=" + std::to_string(member)));
        std::string phone = stored;
        std::string restored;
        if (UnmaskPhone(stored, key, restored))
            phone = restored;
        return DigitsOf(phone);
    }
    void Call(const std::string& phone, int time) {
        m_store->fx().sim().OptOut().AddRequest(kStore,
                                                {"2026-12-07", std::to_string(time), "0807001001", phone});
    }
    // The grid row (from 1) of the request row whose refusing number is phone; -1 when none.
    static int RowOf(CTrellisEx& grid, const std::string& phone) {
        for (int row = 1; row < grid.GetRowCount(); ++row)
            if (grid.GetItemText(row, kNumber) == phone)
                return row;
        return -1;
    }
    static void Tick(CTrellisEx& grid, int row) {
        QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, gridclick::CheckBoxPoint(grid, row, kMember));
    }
    std::string StatusOf(const std::string& phoneLike) {
        return Query(
            "SELECT sr_status FROM smsrefuse WHERE sr_code=(SELECT MAX(sr_code) FROM smsrefuse WHERE "
            "sr_rnumber LIKE '%" +
            phoneLike.substr(phoneLike.size() - 4) + "')");
    }
    int Begins() { return m_store->fx().sim().Requests().Count("SMSBEGIN"); }
    static void Click(QWidget& dlg, const char* name) {
        QTest::mouseClick(FindChild<QPushButton>(dlg, name), Qt::LeftButton);
    }

private slots:
    void init() {
        zmsg::Clock::setFixed(kNow);
        m_store = std::make_unique<DialogStore>();
        QVERIFY(m_store->ok());
        m_opened.clear();
        m_previousOpener = SetUrlOpener([this](const std::string& url) {
            m_opened.push_back(url);
            return true;
        });
    }
    void cleanup() {
        SetUrlOpener(m_previousOpener);
        m_store.reset();
        zmsg::Clock::setFixed(QDateTime());
    }

    void opensWithSessionAndEmptyList() {
        ScriptedMessages boxes;
        CRefuseListDlg dlg(m_store->db(), 1);
        QVERIFY(dlg.Start());
        dlg.show();
        QCOMPARE(dlg.windowTitle(), QStringLiteral("수신거부관리"));
        QVERIFY(!dlg.SessionId().empty());
        QVERIFY(boxes.shown().empty());
        QCOMPARE(FindChild<CTrellisEx>(dlg, "refuseGrid")->GetRowCount(), 1);

        // The store's page opens through the desktop with the session in its address.
        Click(dlg, "pageButton");
        QCOMPARE(m_opened.size(), size_t(1));
        QVERIFY(m_opened[0].find("/korvane/request.php?xmldata=") != std::string::npos);

        // A period that ends before it starts is not queried.
        FindChild<QDateEdit>(dlg, "periodFrom")->setDate(QDate(2026, 12, 8));
        Click(dlg, "queryButton");
        QCOMPARE(boxes.texts(), std::vector<std::string>{"기간조건의 날짜선택을 점검해 주십시오."});
    }

    void storeNotKnownToTheServer() {
        ScriptedMessages boxes;
        const int updated =
            m_store->db()->ExecuteSQL("UPDATE ccode SET cc_strval='999-99-99999' WHERE cc_code=22");
        QVERIFY(updated == SQL_OK || updated == SQL_NODATA);
        CRefuseListDlg dlg(m_store->db(), 1);
        QVERIFY(dlg.Start()); // stays open whatever the server said
        QVERIFY(dlg.SessionId().empty());
        QVERIFY(!boxes.shown().empty());
        QCOMPARE(FindChild<QPushButton>(dlg, "pageButton")->text(), QStringLiteral("서비스안내"));
        // Without a session the download asks nothing.
        Click(dlg, "downloadButton");
        QCOMPARE(m_store->fx().sim().Requests().Count("CALLLIST"), 0);
    }

    void wholeCycle() {
        const std::string a = PhoneOf(1), b = PhoneOf(2), c = PhoneOf(4);
        Call(a, 91500);
        Call(b, 91500); // two callers in the same second
        Call(c, 93000);

        ScriptedMessages boxes;
        CRefuseListDlg dlg(m_store->db(), 7);
        QVERIFY(dlg.Start());
        dlg.show();
        auto* grid = FindChild<CTrellisEx>(dlg, "refuseGrid");

        // Download: the requests come in matched to their members, open, with a check box each, counted
        // in the message and listed at once, the server's sample calls of 2025 too (the list opened on
        // the last 24 hours).
        Click(dlg, "downloadButton");
        QCOMPARE(boxes.texts(), std::vector<std::string>{"데이타 수신이 완료되었습니다.\n저장 : 6 건"});
        QCOMPARE(Query("SELECT COUNT(*) FROM smsrefuse WHERE sr_day=20261207"), std::string("3"));
        QVERIFY(RowOf(*grid, "01088266648") > 0);
        QCOMPARE(FindChild<QDateEdit>(dlg, "periodFrom")->date(), QDate(2025, 3, 2));
        const int rowA = RowOf(*grid, a);
        QVERIFY(rowA > 0 && RowOf(*grid, b) > 0 && RowOf(*grid, c) > 0);
        QCOMPARE(grid->GetItemText(rowA, kDay), std::string("2026-12-07"));
        QCOMPARE(grid->GetItemText(rowA, kStatus), std::string());
        QCOMPARE(grid->GetItemData(rowA, kStatus), 1);
        QCOMPARE(grid->GetItemData(rowA, kMember), 1);
        QCOMPARE(grid->GetItemText(rowA, kMember), Query("SELECT mem_name FROM member WHERE mem_code=1"));
        QCOMPARE(grid->GetItemText(rowA, kSms), K("허용"));
        QCOMPARE(grid->GetItemTipText(rowA, kNumber), std::string("0807001001"));
        QVERIFY(grid->IsCellTypeCheck(rowA, kMember));

        // Apply on A: the member is refused with a change-log row, and the notice goes out through
        // the SMS dialog, A's request date in the message.
        Tick(*grid, rowA);
        boxes.clear();
        boxes.setNextAnswer(IDYES);
        std::vector<std::string> noticeGrid;
        bool exclusionTicked = false;
        WhenModal<CSMSDlg>([&](CSMSDlg& sms) {
            QTRY_COMPARE(sms.Recipients().size(), size_t(1));
            noticeGrid = {sms.Recipients()[0].phone, sms.Recipients()[0].text4};
            exclusionTicked = FindChild<QCheckBox>(sms, "noAdCheck")->isChecked();
            Click(sms, "sendButton");
        });
        Click(dlg, "applyButton");
        QCOMPARE(boxes.texts().front(),
                 "선택된 요청건의 회원을 수신거부 처리하고,\n처리결과 알림 메시지를 발송하시겠습니까?");
        QCOMPARE(noticeGrid, (std::vector<std::string>{a, K("2026년 12월 7일")}));
        QVERIFY(exclusionTicked); // a notice is not advertising
        QCOMPARE(Query("SELECT mem_apply & 4096 FROM member WHERE mem_code=1"), std::string("4096"));
        QCOMPARE(Query("SELECT COUNT(*) FROM memlog WHERE ml_member=1 AND ml_kind=23 AND ml_emp=7"),
                 std::string("1"));
        QCOMPARE(Begins(), 1);
        bool merged = false;
        for (const auto& r : m_store->fx().sim().Requests().All())
            if (r.verb == "SMSLIST")
                merged =
                    zmsg::sim::FieldOf(r.fields, "list").find(U8(K("2026년 12월 7일"))) != std::string::npos;
        QVERIFY(merged);
        QCOMPARE(StatusOf(a), std::string("0"));
        QVERIFY(Query("SELECT sr_refusedate FROM smsrefuse WHERE sr_status=0") != "");
        QCOMPARE(grid->GetItemText(RowOf(*grid, a), kStatus), K("완료"));
        QCOMPARE(grid->GetItemText(RowOf(*grid, a), kSms), K("거부"));
        QVERIFY(!grid->GetItemText(RowOf(*grid, a), kSmsDate).empty());
        QVERIFY(!grid->IsCellTypeCheck(RowOf(*grid, a), kMember)); // finished: no box

        // Apply on B, and the clerk closes the SMS dialog without sending: B is refused, its request
        // waits on hold.
        Tick(*grid, RowOf(*grid, b));
        boxes.clear();
        boxes.setNextAnswer(IDYES); // apply?
        WhenModal<CSMSDlg>([&](CSMSDlg& sms) {
            QTRY_COMPARE(sms.Recipients().size(), size_t(1));
            boxes.setNextAnswer(IDYES); // close the window?
            sms.reject();
        });
        Click(dlg, "applyButton");
        QCOMPARE(Query("SELECT mem_apply & 4096 FROM member WHERE mem_code=2"), std::string("4096"));
        QCOMPARE(StatusOf(b), std::string("2"));
        QCOMPARE(grid->GetItemText(RowOf(*grid, b), kStatus), K("보류"));
        QCOMPARE(Begins(), 1);

        // The notice alone for B, reserved, and the window closed with Cancel afterwards: the notice
        // will go out, so the request is completed (the send code decides, not how the window closed).
        Tick(*grid, RowOf(*grid, b));
        boxes.clear();
        boxes.setNextAnswer(IDYES);
        WhenModal<CSMSDlg>([&](CSMSDlg& sms) {
            QTRY_COMPARE(sms.Recipients().size(), size_t(1));
            FindChild<QCheckBox>(sms, "reserveCheck")->setChecked(true);
            FindChild<QDateEdit>(sms, "reserveDate")->setDate(kNow.date());
            FindChild<QComboBox>(sms, "reserveHour")->setCurrentIndex(15);
            Click(sms, "sendButton");
            QVERIFY(sms.isVisible()); // a reserved send keeps the window for the next one
            boxes.setNextAnswer(IDYES);
            sms.reject();
        });
        Click(dlg, "noticeButton");
        QCOMPARE(Begins(), 2);
        QCOMPARE(Query("SELECT ss_reserve FROM smssend WHERE ss_code=2"), std::string("1"));
        QCOMPARE(StatusOf(b), std::string("0"));
        QCOMPARE(grid->GetItemText(RowOf(*grid, b), kStatus), K("완료"));

        // Completing by hand needs a tick; with C ticked it closes C alone.
        boxes.clear();
        Click(dlg, "manualButton");
        QCOMPARE(boxes.texts(), std::vector<std::string>{"선택된 대상이 있을 경우에만 적용가능합니다."});
        Tick(*grid, RowOf(*grid, c));
        boxes.clear();
        boxes.setNextAnswer(IDYES);
        Click(dlg, "manualButton");
        QCOMPARE(boxes.texts(),
                 std::vector<std::string>{"선택된 요청건을 임의완료 처리하시겠습니까?\n(회원의 "
                                          "수신거부 설정과 알림 메시지 발송 없이 요청건만 "
                                          "완료됩니다.)"});
        QCOMPARE(StatusOf(c), std::string("4"));
        const int rowC = RowOf(*grid, c);
        QCOMPARE(grid->GetItemText(rowC, kStatus), K("임의완료"));
        QVERIFY(!grid->IsCellTypeCheck(rowC, kMember)); // closed: no box any more
        // The member stays shown beside the closed request.
        QCOMPARE(grid->GetItemData(rowC, kMember), 4);
        QCOMPARE(grid->GetItemText(rowC, kMember), Query("SELECT mem_name FROM member WHERE mem_code=4"));
        QCOMPARE(grid->GetItemText(rowC, kBarcode), Query("SELECT mem_bcode FROM member WHERE mem_code=4"));
        QCOMPARE(DigitsOf(grid->GetItemText(rowC, kMobile)), c);
        QCOMPARE(grid->GetItemText(rowC, kSms), K("허용"));
        QCOMPARE(StatusOf(a), std::string("0"));
        QCOMPARE(Query("SELECT mem_apply & 4096 FROM member WHERE mem_code=4"), std::string("0"));

        // The filters: refused members only, then the status "완료", then the last four digits of C.
        auto* sms = FindChild<QComboBox>(dlg, "smsCombo");
        sms->setCurrentIndex(2);
        Click(dlg, "queryButton");
        QVERIFY(RowOf(*grid, a) > 0 && RowOf(*grid, b) > 0);
        QCOMPARE(grid->GetItemText(RowOf(*grid, a), kMember),
                 Query("SELECT mem_name FROM member WHERE mem_code=1"));
        sms->setCurrentIndex(0);
        FindChild<QComboBox>(dlg, "statusCombo")->setCurrentIndex(1);
        Click(dlg, "queryButton");
        QCOMPARE(grid->GetRowCount(), 3);
        FindChild<QComboBox>(dlg, "statusCombo")->setCurrentIndex(0);
        FindChild<QLineEdit>(dlg, "searchEdit")->setText(QString::fromStdString(c.substr(c.size() - 4)));
        Click(dlg, "queryButton");
        QVERIFY(RowOf(*grid, c) > 0);
        QVERIFY(RowOf(*grid, a) < 0);

        // The refused member is left out of the next advertising list.
        boxes.clear();
        CSMSDlg next(m_store->db(), 1, 0, "1,2,4", "");
        QVERIFY(next.Start());
        next.show();
        QTRY_COMPARE(boxes.shown().size(), size_t(1)); // the load summary
        QCOMPARE(next.Recipients().size(), size_t(1));
        QCOMPARE(next.Recipients()[0].code, 4);
        QVERIFY(QString::fromStdString(boxes.texts()[0]).contains(QStringLiteral("SMS 수신거부 : 2 건")));

        // Numbers typed or pasted are checked too: a refused member's (A, B) and a sample caller's,
        // whose request is on record.
        const std::string refusedText = "SMS 수신거부 회원이거나 080 수신거부를 요청한 전화번호입니다.\n"
                                        "전송대상에 추가하지 않았습니다.";
        for (const std::string& phone : {a, std::string("010-8826-6648")}) {
            boxes.clear();
            FindChild<QLineEdit>(next, "addNameEdit")->setText(QStringLiteral("수기"));
            FindChild<QLineEdit>(next, "addPhoneEdit")->setText(QString::fromStdString(phone));
            Click(next, "addButton");
            QCOMPARE(boxes.texts(), std::vector<std::string>{refusedText});
        }
        QCOMPARE(next.Recipients().size(), size_t(1));
        boxes.clear();
        QGuiApplication::clipboard()->setText(QString::fromStdString("B\t" + b + "\nNew\t01055556666\n"));
        Click(next, "pasteButton");
        QCOMPARE(next.Recipients().size(), size_t(2));
        QCOMPARE(next.Recipients()[1].phone, std::string("01055556666"));
        QCOMPARE(boxes.texts(), std::vector<std::string>{"붙여넣기 입력데이터 총 2 건중 1 건을 전송대상에 "
                                                         "추가했습니다.\n\nSMS 수신거부 1 건은 추가하지 "
                                                         "않았습니다."});
    }

    // The journal holds an advertising send to members 1, 2 and 4 whose end reply was lost; all three
    // call the 080 line; the clerk refuses member 1 only and sends the notice, whose press first
    // settles that old send. Only the chosen request is completed: the others stay open.
    void noticeAfterAnUnsettledAdvertisingSendCompletesOnlyTheChosenRequest() {
        const std::string a = PhoneOf(1), b = PhoneOf(2), c = PhoneOf(4);
        ScriptedMessages boxes;
        {
            CSMSDlg advert(m_store->db(), 1, 0, "1,2,4", "");
            QVERIFY(advert.Start());
            advert.show();
            QTRY_COMPARE(advert.Recipients().size(), size_t(3));
            FindChild<QPlainTextEdit>(advert, "messageEditor")
                ->setPlainText(QStringLiteral("(광고) 주말 특가"));
            FindChild<QCheckBox>(advert, "noAdCheck")->setChecked(true);
            for (int nth = 1; nth <= 3; ++nth)
                ArmFault(m_store->fx(), "SMSEND", nth,
                         nth == 1 ? zmsg::sim::FaultKind::CloseAfter : zmsg::sim::FaultKind::CloseBefore);
            Click(advert, "sendButton");
            QVERIFY(advert.isVisible()); // the end is unknown: the send waits in the journal
            boxes.setNextAnswer(IDYES);
            advert.reject();
        }
        QCOMPARE(Begins(), 1);
        Call(a, 91500);
        Call(b, 91600);
        Call(c, 93000);

        CRefuseListDlg dlg(m_store->db(), 7);
        QVERIFY(dlg.Start());
        dlg.show();
        auto* grid = FindChild<CTrellisEx>(dlg, "refuseGrid");
        Click(dlg, "downloadButton");
        // The notice dialog sends what it can and is closed: its press settles the old send first.
        auto notice = [&](const char* button) {
            Tick(*grid, RowOf(*grid, a));
            boxes.clear();
            boxes.setNextAnswer(IDYES);
            WhenModal<CSMSDlg>([&](CSMSDlg& sms) {
                QTRY_COMPARE(sms.Recipients().size(), size_t(1));
                Click(sms, "sendButton");
                if (sms.isVisible()) {
                    boxes.setNextAnswer(IDYES);
                    sms.reject();
                }
            });
            Click(dlg, button);
        };
        notice("applyButton");
        // Whatever that press sent, the requests not chosen stay open.
        QCOMPARE(StatusOf(b), std::string("1"));
        QCOMPARE(StatusOf(c), std::string("1"));
        if (StatusOf(a) != "0") {
            // The settling press took the requester off the notice (the old send reached him): it waits
            // on hold, and the next notice completes it.
            QCOMPARE(StatusOf(a), std::string("2"));
            QCOMPARE(Begins(), 1);
            notice("noticeButton");
        }
        QCOMPARE(Begins(), 2);
        QCOMPARE(Query("SELECT COUNT(*) FROM smssend WHERE ss_target=3"), std::string("1"));
        QCOMPARE(StatusOf(a), std::string("0"));
        QCOMPARE(StatusOf(b), std::string("1"));
        QCOMPARE(StatusOf(c), std::string("1"));
        QCOMPARE(Query("SELECT COUNT(*) FROM smsrefuse WHERE sr_smsdate IS NOT NULL"), std::string("1"));
        QCOMPARE(Query("SELECT SUM(mem_apply & 4096) FROM member WHERE mem_code IN (1, 2, 4)"),
                 std::string("4096"));
    }
};

QTEST_MAIN(TestRefuseListDlg)
#include "test_refuselistdlg.moc"
