// The app-message dialog as a store clerk meets it: opened over the sample store and the simulated
// center, offscreen, with every message box answered by a script.
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include "center/send/sendsettle.h"
#include "center/send/sendstate.h"
#include "center/web/commandpage.h"
#include "center/web/webbrowser2.h"
#include "compose/smmsdraft.h"
#include "db/sqldirect.h"
#include "frame/clock.h"
#include "frame/widgets/blinkstatic.h"
#include "frame/widgets/trellisex.h"
#include "sim/faultplan.h"
#include "sim/imagebox.h"
#include "sim/smmsstate.h"
#include "smms/ui/imageeditdlg.h"
#include "smms/ui/imagepreview.h"
#include "smms/ui/smmsdlg.h"
#include "tests/sms/dialogstore.h"
#include "tests/sms/gridclick.h"
#include "tests/support/faultwalk.h"
#include "tests/support/runscript.h"
#include "tests/support/scriptedfiles.h"
#include "tests/support/scriptedmessages.h"
#include "tests/support/simfixture.h"
#include "tests/support/whenmodal.h"
#include "text/codec.h"

using zmsg::K;

namespace {

QString U(const std::string& utf8) {
    return QString::fromStdString(utf8);
}

// The sample store's first 60 members: every third uses the app, its last signal (code % 40) days
// ago; member 31 refused advertising, member 53's number is cut short.
constexpr const char* kFirst60 = "AND mem_code <= 60";
const char* const kFirst60Summary = "총 60건중 40건의 전화번호가 부적합하여 20건만 전송대상에 추가했습니다.\n"
                                    "\n▶ SMS 수신거부 : 1 건"
                                    "\n▶ 전화번호형식오류 : 1 건"
                                    "\n▶ AlderS 미접속 : 38 건";

} // namespace

class TestSmmsDlg : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<DialogStore> m_store;
    CSQLDirect* m_db = nullptr;
    SimFixture* m_fx = nullptr;

    template <typename T> T* Child(QObject& dlg, const char* name) { return FindChild<T>(dlg, name); }
    std::string Query(const std::string& sql) { return m_store->Query(sql); }

    // Checked rows of the grid, as the clerk sees them.
    static int CheckedRows(CTrellisEx& grid) {
        int checked = 0;
        for (int row = 1; row < grid.GetRowCount(); ++row)
            checked += grid.IsCellChecked(row, 1) ? 1 : 0;
        return checked;
    }

    // Shows a page and waits for it; false when no page arrived.
    bool OpenPage(CSmmsDlg& dlg, const char* button) {
        QSignalSpy done(dlg.Browser(), &CWebBrowser2::DocumentComplete);
        QTest::mouseClick(Child<QPushButton>(dlg, button), Qt::LeftButton);
        return done.wait(kPageTimeout) && done.first().first().toBool();
    }

    // Runs a script that makes the page give a command, and waits until the browser has taken it.
    bool Command(CSmmsDlg& dlg, const QString& script) {
        QSignalSpy found(dlg.Browser()->CommandPage(), &CCommandPage::commandFound);
        return RunScript(*dlg.Browser(), script) && (found.count() > 0 || found.wait(kPageTimeout));
    }

private slots:
    void init() {
        m_store = std::make_unique<DialogStore>();
        QVERIFY(m_store->ok());
        m_db = m_store->db();
        m_fx = &m_store->fx();
    }

    void cleanup() {
        zmsg::Clock::setFixed(QDateTime());
        m_store.reset();
    }

    void opensWithTheAccountAndLoadsAppMembers() {
        ScriptedMessages boxes;
        CSmmsDlg dlg(m_db, 1, "", kFirst60, "");
        QVERIFY(dlg.Start());
        dlg.show();
        auto* grid = Child<CTrellisEx>(dlg, "memberGrid");
        QTRY_COMPARE(grid->GetRowCount(), 21);

        QVERIFY(dlg.windowTitle().startsWith(QStringLiteral("AlderS 문자 - ")));
        QCOMPARE(Child<QLineEdit>(dlg, "titleEdit")->text(), QStringLiteral("(광고)행복마트"));
        // The store's phone; the center's last callback is the same number, so nothing is said.
        QCOMPARE(Child<QLineEdit>(dlg, "callbackEdit")->text(), QStringLiteral("02-1234-5678"));
        QCOMPARE(Child<CBlinkStatic>(dlg, "counter")->text(), QStringLiteral("0/2000"));
        QCOMPARE(dlg.Account().storeCode, 1001);
        QCOMPARE(dlg.CurrentPage(), int(CSmmsDlg::kPageMembers));
        QVERIFY(grid->isVisible());
        QVERIFY(!dlg.Browser()->isVisible());
        QVERIFY(!Child<QDateEdit>(dlg, "popupDate")->isVisible());
        // The account is asked at the app-message address; no page is loaded before one is picked.
        bool martInfo = false;
        for (const auto& r : m_fx->sim().Requests().All())
            martInfo |= r.verb == "MARTINFO" && r.path == "/SMMS/AppRequest.ashx";
        QVERIFY(martInfo);
        QCOMPARE(m_fx->sim().Requests().Count("PAGE"), 0);

        // The load's one summary, then the grid: only members who signalled from the app.
        QCOMPARE(boxes.texts(), (std::vector<std::string>{kFirst60Summary}));
        QCOMPARE(U(zmsg::Cp949ToUtf8(grid->GetItemText(0, 4))), QStringLiteral("AlderS접속"));
        for (int row = 1; row < grid->GetRowCount(); ++row) {
            QCOMPARE(grid->GetItemData(row, 0), 3 * row);
            QCOMPARE(grid->GetItemText(row, 4).size(), size_t(16));
        }
        // Member 3 (3 days ago) and 42 (2 days ago) pass the first filter, " 3일이내".
        QCOMPARE(Child<QComboBox>(dlg, "signalCombo")->currentText(), QStringLiteral(" 3일이내"));
        QCOMPARE(dlg.CheckedCount(), 2);
        QCOMPARE(CheckedRows(*grid), 2);
        QVERIFY(grid->IsCellChecked(1, 1));
        QVERIFY(grid->IsCellChecked(14, 1));
        QCOMPARE(grid->GetItemData(14, 4), 1);
        QCOMPARE(grid->GetItemData(2, 4), 0);
        QCOMPARE(Child<QLabel>(dlg, "checkedLabel")->text(), QStringLiteral("선택 2 / 20 명"));

        // The filter decides every check: all dated rows, none today, six within ten days.
        auto* signal = Child<QComboBox>(dlg, "signalCombo");
        signal->setCurrentIndex(0);
        QCOMPARE(dlg.CheckedCount(), 20);
        signal->setCurrentIndex(1);
        QCOMPARE(dlg.CheckedCount(), 0);
        signal->setCurrentIndex(6);
        QCOMPARE(signal->currentText(), QStringLiteral("10일이내"));
        QCOMPARE(dlg.CheckedCount(), 6);
        QCOMPARE(CheckedRows(*grid), 6);

        // Check all and none, then a click on one box.
        QTest::mouseClick(Child<QPushButton>(dlg, "checkAllButton"), Qt::LeftButton);
        QCOMPARE(dlg.CheckedCount(), 20);
        QTest::mouseClick(Child<QPushButton>(dlg, "uncheckAllButton"), Qt::LeftButton);
        QCOMPARE(dlg.CheckedCount(), 0);
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier,
                          gridclick::CheckBoxPoint(*grid, 5, 1));
        QCOMPARE(dlg.CheckedCount(), 1);
        QVERIFY(grid->IsCellChecked(5, 1));

        // Ctrl+C in the grid copies nothing.
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));
        grid->setFocus();
        grid->SetRowSelected(2);
        grid->setCurrentIndex(grid->model()->index(1, 2));
        QTest::keyClick(grid, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("before"));
    }

    void manualAddChecksTheNumber() {
        ScriptedMessages boxes;
        CSmmsDlg dlg(m_db, 1, "", kFirst60, "");
        QVERIFY(dlg.Start());
        dlg.show();
        auto* grid = Child<CTrellisEx>(dlg, "memberGrid");
        QTRY_COMPARE(grid->GetRowCount(), 21);
        boxes.clear();
        auto* name = Child<QLineEdit>(dlg, "addNameEdit");
        auto* phone = Child<QLineEdit>(dlg, "addPhoneEdit");
        auto* add = Child<QPushButton>(dlg, "addButton");

        // Too short: told, and the number's field takes the focus.
        name->setText(QStringLiteral("손님"));
        phone->setText(QStringLiteral("010-1234"));
        QTest::mouseClick(add, Qt::LeftButton);
        QCOMPARE(boxes.texts(), (std::vector<std::string>{
                                    "추가하실 전화번호를 9자리 이상, 14자리 이하로 입력해 주십시오."}));
        QCOMPARE(dlg.focusWidget(), phone);
        QCOMPARE(grid->GetRowCount(), 21);

        // A number already listed: its row is named and selected.
        boxes.clear();
        phone->setText(U(grid->GetItemText(4, 2)));
        QTest::mouseClick(add, Qt::LeftButton);
        QCOMPARE(boxes.texts(), (std::vector<std::string>{"전화번호가 목록상의 4행과 중복됩니다."}));
        QVERIFY(grid->GetItemState(4, 2) & CTrellisEx::kStateSelected);
        QCOMPARE(grid->GetRowCount(), 21);

        // A landline is an app user's number too; the row is checked and says where it came from.
        boxes.clear();
        const int before = dlg.CheckedCount();
        phone->setText(QStringLiteral("031-234-5678"));
        QTest::mouseClick(add, Qt::LeftButton);
        QVERIFY(boxes.texts().empty());
        QCOMPARE(grid->GetRowCount(), 22);
        QCOMPARE(grid->GetItemText(21, 1), K("손님"));
        QCOMPARE(grid->GetItemText(21, 2), std::string("0312345678"));
        QCOMPARE(grid->GetItemText(21, 5), K("수동추가"));
        QCOMPARE(grid->GetItemData(21, 0), 0);
        QVERIFY(grid->IsCellChecked(21, 1));
        QCOMPARE(dlg.CheckedCount(), before + 1);
        QVERIFY(phone->text().isEmpty());

        // The filter runs again: a hand-added row has no date and loses its check.
        Child<QComboBox>(dlg, "signalCombo")->setCurrentIndex(0);
        QVERIFY(!grid->IsCellChecked(21, 1));
        QCOMPARE(dlg.CheckedCount(), 20);

        // No members named: no load, an empty grid, adding by hand still works.
        ScriptedMessages none;
        CSmmsDlg empty(m_db, 1, "", "", "");
        QVERIFY(empty.Start());
        empty.show();
        QTest::qWait(300);
        QCOMPARE(Child<CTrellisEx>(empty, "memberGrid")->GetRowCount(), 1);
        QVERIFY(none.texts().empty());
    }

    void bodyCounterPopupAndCallbackControls() {
        ScriptedMessages boxes;
        CSmmsDlg dlg(m_db, 1, "", "", "");
        QVERIFY(dlg.Start());
        dlg.show();
        auto* body = Child<QPlainTextEdit>(dlg, "bodyEdit");
        auto* counter = Child<CBlinkStatic>(dlg, "counter");
        body->setPlainText(QString(1998, QLatin1Char('a')) + QStringLiteral("\n가"));
        QCOMPARE(counter->text(), QStringLiteral("2001/2000"));
        QVERIFY(counter->IsBlinking());
        body->setPlainText(QString(1997, QLatin1Char('a')) + QStringLiteral("\n가"));
        QCOMPARE(counter->text(), QStringLiteral("2000/2000"));
        QVERIFY(!counter->IsBlinking());

        // What code page 949 cannot hold is refused as it is pasted, in the title and in the body: the
        // text stays as it was and the clerk hears which character it was.
        boxes.clear();
        const std::vector<std::string> refused{
            "문자메시지로 보낼 수 없는 문자가 있어 입력하지 않았습니다.\n(U+1F389)"};
        auto* title = Child<QLineEdit>(dlg, "titleEdit");
        title->setText(QStringLiteral("(광고)행복마트 "));
        title->setFocus();
        title->end(false);
        QGuiApplication::clipboard()->setText(QStringLiteral("주말 특가🎉"));
        title->paste();
        QCOMPARE(title->text(), QStringLiteral("(광고)행복마트 "));
        QCOMPARE(boxes.texts(), refused);
        title->insert(QStringLiteral("주말 특가")); // as typed
        QCOMPARE(title->text(), QStringLiteral("(광고)행복마트 주말 특가"));
        boxes.clear();
        body->setPlainText(QStringLiteral("할인"));
        body->setFocus();
        body->moveCursor(QTextCursor::End);
        body->paste();
        QCOMPARE(body->toPlainText(), QStringLiteral("할인"));
        QCOMPARE(counter->text(), QStringLiteral("4/2000"));
        QCOMPARE(boxes.texts(), refused);
        boxes.clear();

        // Popup reservation: the time controls show only while the box is checked; noon, on the hour.
        auto* popup = Child<QCheckBox>(dlg, "popupCheck");
        auto* hour = Child<QComboBox>(dlg, "popupHour");
        auto* minute = Child<QComboBox>(dlg, "popupMinute");
        QVERIFY(!hour->isVisible());
        const QPoint box(8, popup->height() / 2);
        QTest::mouseClick(popup, Qt::LeftButton, Qt::NoModifier, box);
        QVERIFY(popup->isChecked());
        QVERIFY(Child<QDateEdit>(dlg, "popupDate")->isVisible());
        QVERIFY(hour->isVisible());
        QVERIFY(minute->isVisible());
        QCOMPARE(hour->count(), 24);
        QCOMPARE(hour->currentText(), QStringLiteral("정오"));
        QCOMPARE(hour->itemText(0), QStringLiteral("자정"));
        QCOMPARE(hour->itemText(9), QStringLiteral("오전 9"));
        QCOMPARE(hour->itemText(23), QStringLiteral("오후11"));
        QCOMPARE(minute->count(), 6);
        QCOMPARE(minute->currentText(), QStringLiteral("00"));
        QCOMPARE(Child<QDateEdit>(dlg, "popupDate")->date(), QDate::currentDate());
        QTest::mouseClick(popup, Qt::LeftButton, Qt::NoModifier, box);
        QVERIFY(!hour->isVisible());

        // The employee's own mobile as the callback number; an employee without one is told.
        QTest::mouseClick(Child<QPushButton>(dlg, "myMobileButton"), Qt::LeftButton);
        QCOMPARE(zmsg::ToCp949Lossy(Child<QLineEdit>(dlg, "callbackEdit")->text()),
                 Query("SELECT phone_cel FROM employee WHERE code=1"));
        QVERIFY(boxes.texts().empty());
        QCOMPARE(m_db->ExecuteSQL("UPDATE employee SET phone_cel='' WHERE code=2"), 0);
        CSmmsDlg other(m_db, 2, "", "", "");
        QVERIFY(other.Start());
        QTest::mouseClick(Child<QPushButton>(other, "myMobileButton"), Qt::LeftButton);
        QCOMPARE(boxes.texts(), (std::vector<std::string>{"직원정보에 내 전화번호가 없습니다."}));
    }

    void accountFailuresCloseTheDialog() {
        ScriptedMessages boxes;
        // A store without an app account.
        QCOMPARE(m_db->ExecuteSQL("UPDATE ccode SET cc_maxcode=1003 WHERE cc_code=7"), 0);
        CSmmsDlg none(m_db, 1, "", kFirst60, "");
        QCOMPARE(none.exec(), int(QDialog::Rejected));
        QCOMPARE(boxes.texts(),
                 (std::vector<std::string>{"SMS 전송용 계정이 없습니다.\n\n콜센터에 문의해 주십시오."}));
        // A store the center does not know: its reason is shown.
        boxes.clear();
        QCOMPARE(m_db->ExecuteSQL("UPDATE ccode SET cc_maxcode=1234 WHERE cc_code=7"), 0);
        CSmmsDlg unknown(m_db, 1, "", kFirst60, "");
        QVERIFY(!unknown.Start());
        QCOMPARE(boxes.texts().size(), size_t(1));
        QVERIFY(boxes.texts()[0].rfind("센터 점포정보 확인실패 : 0:", 0) == 0);
        // A dialog that never opened keeps no draft.
        QVERIFY(!QFile::exists(QString::fromStdString(SmmsDraftPath())));
    }

    void draftIsKeptOnCloseAndOfferedAgain() {
        zmsg::Clock::setFixed(QDateTime(QDate(2026, 12, 7), QTime(10, 20, 30)));
        ScriptedMessages boxes;
        {
            CSmmsDlg dlg(m_db, 1, "", "", "");
            QVERIFY(dlg.Start());
            dlg.show();
            Child<QLineEdit>(dlg, "titleEdit")->setText(QStringLiteral("봄 세일  "));
            Child<QPlainTextEdit>(dlg, "bodyEdit")->setPlainText(QStringLiteral("첫 줄\n둘째 줄 <b>\n"));
            Child<QLineEdit>(dlg, "callbackEdit")->setText(QStringLiteral(" 010-5555-6666"));
            Child<QCheckBox>(dlg, "allUserCheck")->setChecked(true);
            // No: the dialog stays, nothing is written.
            boxes.setNextAnswer(IDNO);
            dlg.reject();
            QVERIFY(dlg.isVisible());
            QVERIFY(!QFile::exists(QString::fromStdString(SmmsDraftPath())));
            boxes.setNextAnswer(IDYES);
            dlg.reject();
            QVERIFY(!dlg.isVisible());
            QCOMPARE(dlg.result(), int(QDialog::Rejected));
            QCOMPARE(boxes.texts(), (std::vector<std::string>{"AlderS 문자 전송창을 닫으시겠습니까?",
                                                              "AlderS 문자 전송창을 닫으시겠습니까?"}));
            QCOMPARE(boxes.shown()[0].type, 0x124u);
        }
        QFile file(QString::fromStdString(SmmsDraftPath()));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const std::string expected =
            K("<Send_Success>0</Send_Success><Send_Date>20261207</Send_Date><Send_Time>102030</Send_Time>"
              "<SS_Center>0</SS_Center><SS_Local>0</SS_Local><Title>봄 세일</Title>"
              "<Message>첫 줄_#LF#_둘째 줄 <b></Message><ImagePath></ImagePath>"
              "<CenterImageBox>0</CenterImageBox><CenterImageCode>0</CenterImageCode>"
              "<CallBack>010-5555-6666</CallBack><AllUser>1</AllUser>") +
            std::string(1, '\0');
        QCOMPARE(file.readAll().toStdString(), expected);
        file.close();

        // Reopened three days later: the all-members warning, then the offer, taken.
        zmsg::Clock::setFixed(QDateTime(QDate(2026, 12, 10), QTime(9, 0, 0)));
        boxes.clear();
        boxes.setNextAnswer(IDOK);
        boxes.setNextAnswer(IDYES);
        CSmmsDlg again(m_db, 1, "", "", "");
        QVERIFY(again.Start());
        QCOMPARE(boxes.texts(),
                 (std::vector<std::string>{
                     "[센터에 등록된 전체 AlderS 회원에게 전송] 옵션이 체크되어 있습니다.\n"
                     "선택된 수신자에게만 전송해야 할 경우 옵션을 해제해 주세요.",
                     "이전에 작성중인 메시지가 있습니다.\n작성중인 메시지를 표시하시겠습니까?"}));
        QCOMPARE(boxes.shown()[1].type, 0x24u);
        QCOMPARE(Child<QLineEdit>(again, "titleEdit")->text(), QStringLiteral("봄 세일"));
        QCOMPARE(Child<QPlainTextEdit>(again, "bodyEdit")->toPlainText(),
                 QStringLiteral("첫 줄\n둘째 줄 <b>"));
        QCOMPARE(Child<QLineEdit>(again, "callbackEdit")->text(), QStringLiteral("010-5555-6666"));
        QVERIFY(Child<QCheckBox>(again, "allUserCheck")->isChecked());

        // Four days later it is no longer offered, but the option still comes back with its warning.
        zmsg::Clock::setFixed(QDateTime(QDate(2026, 12, 11), QTime(9, 0, 0)));
        boxes.clear();
        CSmmsDlg late(m_db, 1, "", "", "");
        QVERIFY(late.Start());
        QCOMPARE(boxes.texts().size(), size_t(1));
        QCOMPARE(Child<QLineEdit>(late, "titleEdit")->text(), QStringLiteral("(광고)행복마트"));
        QVERIFY(Child<QPlainTextEdit>(late, "bodyEdit")->toPlainText().isEmpty());
        QVERIFY(Child<QCheckBox>(late, "allUserCheck")->isChecked());
    }

    void imageBoxPictureIsDownloadedAndShown() {
        ScriptedMessages boxes;
        CSmmsDlg dlg(m_db, 1, "", "", "");
        QVERIFY(dlg.Start());
        dlg.resize(1000, 720);
        dlg.show();
        QVERIFY(OpenPage(dlg, "imageBoxButton"));
        QCOMPARE(dlg.CurrentPage(), int(CSmmsDlg::kPageImageBox));
        QVERIFY(dlg.Browser()->isVisible());
        QVERIFY(!Child<CTrellisEx>(dlg, "memberGrid")->isVisible());
        QVERIFY(Child<QPushButton>(dlg, "pageImageBoxButton")->isChecked());
        QCOMPARE(dlg.Browser()->title(), QStringLiteral("이미지보관함"));

        // A picture clicked on the page: downloaded, previewed, kept by its center numbers.
        QVERIFY(Command(dlg, QStringLiteral("document.getElementById('img2').click()")));
        auto* preview = Child<CImagePreview>(dlg, "imagePreview");
        QTRY_COMPARE_WITH_TIMEOUT(dlg.CenterImage(), 2, kPageTimeout);
        QCOMPARE(dlg.CenterImageBox(), 1);
        QVERIFY(dlg.ImagePath().empty());
        QCOMPARE(preview->RenderedSize(), QSize(160, 120));
        QCOMPARE(preview->height(), 120);
        bool downloaded = false;
        for (const auto& r : m_fx->sim().Requests().All())
            downloaded |= r.verb == "DOWNLOAD" && r.path == "/SMMS/ImageBox/1001/1_2.jpg";
        QVERIFY(downloaded);
        QVERIFY(boxes.texts().empty());

        // A picture the center cannot deliver: told, the earlier one stays.
        QVERIFY(
            RunScript(*dlg.Browser(), QStringLiteral("pictures[0].path = '/SMMS/ImageBox/1001/9_9.jpg'")));
        QVERIFY(Command(dlg, QStringLiteral("document.getElementById('img1').click()")));
        QTRY_COMPARE_WITH_TIMEOUT(boxes.texts(),
                                  (std::vector<std::string>{"선택된 이미지파일을 다운로드할 수 없습니다."}),
                                  kPageTimeout);
        QCOMPARE(dlg.CenterImage(), 2);
        // The draft keeps the center's numbers.
        QCOMPARE(dlg.CurrentDraft().centerImageBox, 1);
        QCOMPARE(dlg.CurrentDraft().centerImageCode, 2);

        // A picture that arrives but cannot be shown is not kept: what the preview shows is what is sent.
        boxes.clear();
        m_fx->sim().Center().PutFile("/SMMS/ImageBox/1001/1_3.jpg", "not a picture");
        QVERIFY(Command(dlg, QStringLiteral("document.getElementById('img3').click()")));
        QTRY_COMPARE_WITH_TIMEOUT(boxes.texts(),
                                  (std::vector<std::string>{"선택된 이미지파일을 다운로드할 수 없습니다."}),
                                  kPageTimeout);
        QCOMPARE(dlg.CenterImageBox(), 0);
        QCOMPARE(dlg.CenterImage(), 0);
        QCOMPARE(preview->RenderedSize(), QSize(0, 0));

        // A page that answers too little.
        boxes.clear();
        QVERIFY(RunScript(*dlg.Browser(),
                          QStringLiteral("jsGetImgBoxInfo = function() { return '<BOX>1</BOX>'; }")));
        QVERIFY(Command(dlg, QStringLiteral("document.getElementById('img3').click()")));
        QTRY_COMPARE_WITH_TIMEOUT(boxes.texts(),
                                  (std::vector<std::string>{"선택된 이미지정보를 참조할 수 없습니다."}),
                                  kPageTimeout);
    }

    void earlierMessageIsCopiedFromThePages() {
        ScriptedMessages boxes;
        CSmmsDlg dlg(m_db, 1, "", "", "");
        QVERIFY(dlg.Start());
        dlg.resize(1000, 720);
        dlg.show();
        QVERIFY(OpenPage(dlg, "pageOpenButton"));
        QCOMPARE(dlg.CurrentPage(), int(CSmmsDlg::kPageOpen));
        auto* title = Child<QLineEdit>(dlg, "titleEdit");
        auto* body = Child<QPlainTextEdit>(dlg, "bodyEdit");

        // The title holds the default text: asked first; No keeps what was there.
        boxes.setNextAnswer(IDNO);
        QVERIFY(Command(dlg, QStringLiteral("document.getElementById('msg1').click()")));
        QTRY_COMPARE_WITH_TIMEOUT(boxes.texts().size(), size_t(1), kPageTimeout);
        QCOMPARE(boxes.texts()[0],
                 std::string("이미 작성중인 메시지가 있습니다.\n\n기존 제목과 메시지를 복사된 내용으로 "
                             "대체하시겠습니까?"));
        QCOMPARE(title->text(), QStringLiteral("(광고)행복마트"));
        boxes.setNextAnswer(IDYES);
        QVERIFY(Command(dlg, QStringLiteral("document.getElementById('msg1').click()")));
        QTRY_COMPARE_WITH_TIMEOUT(title->text(), QStringLiteral("[우리마트] 주말 한우 특가"), kPageTimeout);
        QCOMPARE(body->toPlainText(),
                 QStringLiteral("이번 주말 한우 등심 100g 6,900원!\n회원님께만 드리는 특별 가격입니다."));

        // Back to the members and on to the sent messages: the store has sent none yet.
        QTest::mouseClick(Child<QPushButton>(dlg, "pageMembersButton"), Qt::LeftButton);
        QVERIFY(Child<CTrellisEx>(dlg, "memberGrid")->isVisible());
        QVERIFY(OpenPage(dlg, "pageSentButton"));
        QCOMPARE(dlg.Browser()->title(), QStringLiteral("전송내역"));
    }

    void sendGoesThroughTheCenterAndClosesTheDialog() {
        // By day: the title marks an advertisement, and at night the advertising question (tested on its
        // own) would come before the checks walked here.
        zmsg::Clock::setFixed(QDateTime(QDate::currentDate(), QTime(10, 0)));
        ScriptedMessages boxes;
        CSmmsDlg dlg(m_db, 1, "", kFirst60, "");
        QVERIFY(dlg.Start());
        dlg.show();
        auto* grid = Child<CTrellisEx>(dlg, "memberGrid");
        QTRY_COMPARE(grid->GetRowCount(), 21);
        Child<QComboBox>(dlg, "signalCombo")->setCurrentIndex(0); // every listed member
        QCOMPARE(dlg.CheckedCount(), 20);
        boxes.clear();
        auto* title = Child<QLineEdit>(dlg, "titleEdit");
        auto* body = Child<QPlainTextEdit>(dlg, "bodyEdit");
        auto* send = Child<QPushButton>(dlg, "sendButton");

        // A refused check: its text, the focus where it says, nothing sent.
        title->clear();
        QTest::mouseClick(send, Qt::LeftButton);
        QCOMPARE(boxes.texts(),
                 (std::vector<std::string>{"1 ~ 100자 (한글50자) 이내로 제목을 입력해 주십시오."}));
        QCOMPARE(dlg.focusWidget(), title);
        title->setText(QStringLiteral("(광고)행복마트 주말 특가"));
        boxes.clear();
        QTest::mouseClick(send, Qt::LeftButton);
        QCOMPARE(boxes.texts(),
                 (std::vector<std::string>{"1 ~ 2000자 (한글1000자) 이내로 메시지를 입력해 주십시오."}));
        QCOMPARE(dlg.focusWidget(), body);
        // A tag-like text: the caret goes to it.
        body->setPlainText(QStringLiteral("첫 줄\n가격 <b>30%</b> 할인"));
        boxes.clear();
        QTest::mouseClick(send, Qt::LeftButton);
        QCOMPARE(boxes.texts().size(), size_t(1));
        QVERIFY(boxes.texts()[0].rfind("메세지에 \"<알파벳\" ", 0) == 0);
        QCOMPARE(dlg.focusWidget(), body);
        QCOMPARE(body->textCursor().position(), 7);
        QCOMPARE(m_fx->sim().Requests().Count("SMMSBEGIN"), 0);
        QVERIFY(dlg.isVisible());

        // Sent: the center completed the message to the 20 checked members, the history holds them,
        // the draft says sent, the dialog closes.
        body->setPlainText(QStringLiteral("이번 주말 신선식품 30% 할인!\n회원님께만 드리는 가격입니다."));
        boxes.clear();
        QTest::mouseClick(send, Qt::LeftButton);
        QVERIFY(!dlg.isVisible());
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        const std::vector<zmsg::sim::SmmsMessage> sent = m_fx->sim().Center().Smms().MessagesOf(1001);
        QCOMPARE(sent.size(), size_t(1));
        QCOMPARE(sent[0].completions, 1);
        QCOMPARE(zmsg::sim::SmmsState::ListedPhones(sent[0]).size(), size_t(20));
        QVERIFY(dlg.LocalSendCode() > 0);
        const std::string code = std::to_string(dlg.LocalSendCode());
        QCOMPARE(Query("SELECT COUNT(*) FROM smslist WHERE sl_sendtype=1 AND sl_sscode=" + code),
                 std::string("20"));
        const auto draft = LoadSmmsDraft(SmmsDraftPath());
        QVERIFY(draft.has_value());
        QCOMPARE(draft->sendSuccess, 1);

        // With the picture the host named: uploaded once, under the one name the center knows.
        QTemporaryDir dir;
        const QString photo = dir.filePath(QStringLiteral("photo.jpg"));
        QImage image(300, 200, QImage::Format_RGB32);
        image.fill(Qt::darkGreen);
        QVERIFY(image.save(photo, "JPEG"));
        CSmmsDlg withPicture(m_db, 1, "3,6,9", "", photo.toStdString());
        QVERIFY(withPicture.Start());
        withPicture.show();
        QTRY_COMPARE(Child<CTrellisEx>(withPicture, "memberGrid")->GetRowCount(), 4);
        Child<QComboBox>(withPicture, "signalCombo")->setCurrentIndex(0);
        Child<QPlainTextEdit>(withPicture, "bodyEdit")->setPlainText(QStringLiteral("사진을 보세요"));
        QTest::mouseClick(Child<QPushButton>(withPicture, "sendButton"), Qt::LeftButton);
        QCOMPARE(withPicture.result(), int(QDialog::Accepted));
        const std::vector<zmsg::sim::SmmsUpload> uploads = m_fx->sim().Center().Smms().Uploads();
        QCOMPARE(uploads.size(), size_t(1));
        QVERIFY(uploads[0].hasFile);
        QCOMPARE(uploads[0].fileName, std::string("Alder_SMMS_Upload.jpg"));
        QFile sentFile(photo);
        QVERIFY(sentFile.open(QIODevice::ReadOnly));
        QCOMPARE(uploads[0].sha256, zmsg::sim::SmmsState::Sha256Hex(sentFile.readAll().toStdString()));
    }

    // A message whose end went unanswered is named in the window's red line, and in a window opened
    // meanwhile, until a press settles it.
    void unsettledMessageIsShownUntilAPressSettlesIt() {
        zmsg::Clock::setFixed(QDateTime(QDate(2026, 12, 7), QTime(10, 0)));
        ScriptedMessages boxes;
        CSmmsDlg dlg(m_db, 1, "", kFirst60, "");
        QVERIFY(dlg.Start());
        dlg.show();
        QTRY_COMPARE(Child<CTrellisEx>(dlg, "memberGrid")->GetRowCount(), 21);
        Child<QComboBox>(dlg, "signalCombo")->setCurrentIndex(0);
        auto* line = Child<QLabel>(dlg, "pendingLine");
        QVERIFY(line);
        QVERIFY(!line->isVisible());
        Child<QPlainTextEdit>(dlg, "bodyEdit")->setPlainText(QStringLiteral("내일 휴점합니다"));
        for (int nth = 1; nth <= 3; ++nth)
            ArmFault(*m_fx, "SMMSEND", nth, zmsg::sim::FaultKind::CloseBefore);
        QTest::mouseClick(Child<QPushButton>(dlg, "sendButton"), Qt::LeftButton);
        QVERIFY(dlg.isVisible());
        SendState state(SendStatePath());
        state.Load();
        const PendingSend* app = state.FindUnknown(SendKind::App);
        QVERIFY(app);
        const QString pending = QStringLiteral("※ 완료 확인 대기 중인 전송 (AlderS 문자, 센터 전송코드 %1, "
                                               "2026-12-07 10:00, 20명)\n"
                                               "전송 버튼을 누르면 먼저 이 전송을 센터에 확인합니다. "
                                               "두 번 발송하지 않습니다.")
                                    .arg(app->centerCode);
        QVERIFY(line->isVisible());
        QCOMPARE(line->text(), pending);
        {
            CSmmsDlg other(m_db, 1, "", "", "");
            QVERIFY(other.Start());
            other.show();
            QVERIFY(Child<QLabel>(other, "pendingLine")->isVisible());
            QCOMPARE(Child<QLabel>(other, "pendingLine")->text(), pending);
        }

        // The next press asks the center first; nothing waits any more.
        m_fx->sim().Faults().Clear();
        QTest::mouseClick(Child<QPushButton>(dlg, "sendButton"), Qt::LeftButton);
        QVERIFY(!line->isVisible());
        QCOMPARE(m_fx->sim().Center().Smms().MessagesOf(1001).size(), size_t(1));
    }

    void localPictureGoesThroughTheEditor() {
        QTemporaryDir dir;
        const QString photo = dir.filePath(QStringLiteral("photo.jpg"));
        QImage image(400, 300, QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        QVERIFY(image.save(photo, "JPEG"));

        ScriptedMessages boxes;
        ScriptedFiles files;
        CSmmsDlg dlg(m_db, 1, "", "", "");
        QVERIFY(dlg.Start());
        dlg.show();
        // The editor's cancel changes nothing.
        files.setNextCancel();
        QTest::mouseClick(Child<QPushButton>(dlg, "localImageButton"), Qt::LeftButton);
        QVERIFY(dlg.ImagePath().empty());

        files.setNextFile(photo.toStdString());
        WhenModal<CImageEditDlg>([](CImageEditDlg& editor) { editor.UseButton()->click(); });
        QTest::mouseClick(Child<QPushButton>(dlg, "localImageButton"), Qt::LeftButton);
        QVERIFY(!dlg.ImagePath().empty());
        QVERIFY(dlg.ImagePath().find("Alder_SMMS_Upload") != std::string::npos);
        QVERIFY(QFile::exists(QString::fromStdString(dlg.ImagePath())));
        QCOMPARE(dlg.CenterImageBox(), 0);
        QCOMPARE(Child<CImagePreview>(dlg, "imagePreview")->RenderedSize().width(), 250);
        QVERIFY(boxes.texts().empty());

        // A picture the host names that cannot be read.
        CSmmsDlg bad(m_db, 1, "", "", "/nowhere/none.jpg");
        QVERIFY(bad.Start());
        QCOMPARE(boxes.texts(),
                 (std::vector<std::string>{"지정된 이미지를 불러올 수 없습니다!\n/nowhere/none.jpg"}));
        QVERIFY(bad.ImagePath().empty());
        // One that can.
        CSmmsDlg good(m_db, 1, "", "", photo.toStdString());
        QVERIFY(good.Start());
        QCOMPARE(good.ImagePath(), photo.toStdString());
        QCOMPARE(Child<CImagePreview>(good, "imagePreview")->RenderedSize(), QSize(250, 187));
        // The host names it in CP949, as every text it hands over: a Korean folder and file name.
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("행사")));
        const QString korean = dir.filePath(QStringLiteral("행사/사진.jpg"));
        QVERIFY(QFile::copy(photo, korean));
        CSmmsDlg named(m_db, 1, "", "", zmsg::ToCp949Lossy(korean));
        QVERIFY(named.Start());
        QCOMPARE(QFile::decodeName(QByteArray::fromStdString(named.ImagePath())), korean);
        QCOMPARE(Child<CImagePreview>(named, "imagePreview")->RenderedSize(), QSize(250, 187));
        QCOMPARE(boxes.texts().size(), size_t(1)); // only the unreadable one above
    }
};

QTEST_MAIN(TestSmmsDlg)
#include "test_smmsdlg.moc"
