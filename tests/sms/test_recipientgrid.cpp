// The recipient grid shows the list: titles per target type, texts, colours, check boxes and the data
// the send reads; a click on a check box goes back into the list.
#include <QtTest>

#include "frame/widgets/trellisex.h"
#include "members/recipientlist.h"
#include "sms/ui/recipientgrid.h"
#include "tests/sms/gridclick.h"
#include "text/codec.h"

using zmsg::Cp949ToUtf8;
using zmsg::K;

namespace {

QStringList Titles(const CTrellisEx& g) {
    QStringList out;
    for (int c = 0; c < g.GetColumnCount(); ++c)
        out << QString::fromStdString(Cp949ToUtf8(g.GetItemText(0, c)));
    return out;
}

QString Text(const CTrellisEx& g, int row, int column) {
    return QString::fromStdString(Cp949ToUtf8(g.GetItemText(row, column)));
}

RecipientList ThreeMembers() {
    RecipientList list;
    list.AddRecipient(101, K("김하나(행복상회)"), "010-1111-2222", "1,234", "2024-04-30 18:05",
                      "2024-05-01 09:30");
    list.AddRecipient(102, K("이둘"), "***010-2222-3333", "0", "", "");
    list.AddRecipient(0, K("박셋"), "010-3333-4444", K("메모"), "", "");
    return list;
}

} // namespace

class TestRecipientGrid : public QObject {
    Q_OBJECT
private slots:
    void titlesPerTargetType_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<QStringList>("titles");
        QTest::newRow("members")
            << 0 << QStringLiteral("No.|회원명|전화번호|포인트|최종방문|모바일신호|비고").split(u'|');
        QTest::newRow("employees")
            << 1 << QStringLiteral("No.|직원명|전화번호|부서|직함|모바일신호|비고").split(u'|');
        QTest::newRow("suppliers")
            << 2 << QStringLiteral("No.|담당자|전화번호|공급사명|대표자|모바일신호|비고").split(u'|');
        QTest::newRow("refused")
            << 3 << QStringLiteral("No.|회원명|전화번호|포인트|요청일|모바일신호|비고").split(u'|');
    }
    void titlesPerTargetType() {
        QFETCH(int, type);
        QFETCH(QStringList, titles);
        CTrellisEx g;
        SetupRecipientColumns(g, 1); // set up twice: the second type replaces the first
        SetupRecipientColumns(g, type);
        QCOMPARE(Titles(g), titles);
    }

    void rowsShowTheList() {
        CTrellisEx g;
        SetupRecipientColumns(g, 0);
        RecipientList list = ThreeMembers();
        FillRecipientRows(g, list);
        QVERIFY(g.IsRedrawOn());
        QCOMPARE(g.GetRowCount(), 4);
        const QStringList row1 =
            QStringLiteral("1|김하나(행복상회)|01011112222|1,234|2024-04-30 18:05|2024-05-01 09:30|")
                .split(u'|');
        for (int c = 0; c < 7; ++c)
            QCOMPARE(Text(g, 1, c), row1[c]);
        QCOMPARE(Text(g, 2, 6), QStringLiteral("3회수신실패"));
        QCOMPARE(Text(g, 3, 0), QStringLiteral("3"));
        QCOMPARE(g.GetItemData(1, 0), 101);
        QCOMPARE(g.GetItemData(2, 0), 102);
        QCOMPARE(g.GetItemData(3, 0), 0);
        for (int row = 1; row <= 3; ++row) {
            QVERIFY(g.IsCellTypeCheck(row, 1));
            QCOMPARE(g.GetItemFgColour(row, 2), 0x9B0000u);
            for (int c : {1, 2, 5})
                QCOMPARE(g.GetItemData(row, c), 0);
        }
        QCOMPARE(g.GetItemFgColour(2, 6), 0x0000FFu);
        QVERIFY(g.IsCellChecked(1, 1));
        QVERIFY2(!g.IsCellChecked(2, 1), "three failures start unchecked");

        // A paste appends: only the new rows are added, numbered on.
        list.AddRecipient(0, "", "010-4444-5555", "", "", "");
        FillRecipientRows(g, list, 3);
        QCOMPARE(g.GetRowCount(), 5);
        QCOMPARE(Text(g, 4, 0), QStringLiteral("4"));
        QCOMPARE(Text(g, 4, 2), QStringLiteral("01044445555"));
        QCOMPARE(Text(g, 1, 2), QStringLiteral("01011112222"));

        // A new load starts over.
        list.Clear();
        list.AddRecipient(7, "x", "01077778888", "", "", "");
        FillRecipientRows(g, list, 0);
        QCOMPARE(g.GetRowCount(), 2);
        QCOMPARE(g.GetItemData(1, 0), 7);
    }

    void changesGoBothWays() {
        CTrellisEx g;
        SetupRecipientColumns(g, 0);
        RecipientList list = ThreeMembers();
        FillRecipientRows(g, list);
        g.resize(900, 300);
        g.show();
        QVERIFY(QTest::qWaitForWindowExposed(&g));

        // The user ticks the unchecked row and unticks the first.
        QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, gridclick::CheckBoxPoint(g, 2, 1));
        QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, gridclick::CheckBoxPoint(g, 1, 1));
        ReadChecks(g, list);
        QVERIFY(!list[0].checked);
        QVERIFY(list[1].checked);
        QVERIFY(list[2].checked);

        // A recount and the app-signal filter change the list; the row shows it.
        list[0].appUser = true;
        list[0].byApp = true;
        list[1].bySms = true;
        list[2].checked = false;
        list[2].text4 = "2024-06-01";
        for (size_t i = 0; i < list.size(); ++i)
            RefreshRecipientRow(g, list, i);
        RefreshRecipientRow(g, list, 99); // out of range: nothing
        QCOMPARE(g.GetItemData(1, 2), 1);
        QCOMPARE(g.GetItemData(1, 5), 1);
        QCOMPARE(g.GetItemBkColour(1, 5), recipientgrid::kAppUserBack);
        QCOMPARE(g.GetItemFgColour(2, 5), recipientgrid::kAppOtherText);
        QCOMPARE(g.GetItemData(2, 1), 1);
        QVERIFY(!g.IsCellChecked(3, 1));
        QCOMPARE(Text(g, 3, 4), QStringLiteral("2024-06-01"));

        SelectRecipientRows(g, 1, 2);
        QVERIFY(g.GetItemState(2, 1) & CTrellisEx::kStateSelected);
        QVERIFY(g.GetItemState(3, 4) & CTrellisEx::kStateSelected);
        QVERIFY(!(g.GetItemState(1, 1) & CTrellisEx::kStateSelected));
    }

    // Columns fit their titles and texts once, the remarks column takes the rest of the width, and a
    // refill (a filter, sent rows removed) leaves the widths where they were.
    void columnsFitOnceAndTheLastTakesTheRest() {
        CTrellisEx g;
        g.resize(760, 300);
        SetupRecipientColumns(g, 0);
        g.show();
        RecipientList list;
        for (int i = 0; i < 200; ++i)
            list.AddRecipient(i + 1, K("회원"), "0101234" + std::to_string(1000 + i), "10", "", "");
        list[150].remark = K("3회수신실패");
        FillRecipientRows(g, list, 0);
        QVERIFY(QTest::qWaitForWindowExposed(&g));

        const int remark = g.GetColumnWidth(6);
        QVERIFY2(remark >= g.fontMetrics().horizontalAdvance(QString::fromUtf8("3회수신실패")),
                 qPrintable(QString::number(remark)));
        int total = 0;
        std::vector<int> widths;
        for (int c = 0; c < g.GetColumnCount(); ++c) {
            widths.push_back(g.GetColumnWidth(c));
            total += widths.back();
        }
        QCOMPARE(total, g.viewport()->width());

        RecipientList other;
        other.AddRecipient(7, K("아주아주아주긴이름의회원님"), "01099998888", "123,456,789", "", "");
        FillRecipientRows(g, other, 0);
        for (int c = 0; c + 1 < g.GetColumnCount(); ++c)
            QCOMPARE(g.GetColumnWidth(c), widths[static_cast<size_t>(c)]);
    }
};

QTEST_MAIN(TestRecipientGrid)
#include "test_recipientgrid.moc"
