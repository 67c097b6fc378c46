// The list grid as the recipient and refusal lists use it: row 0 the titles, column 0 the
// numbers, data from row 1.
#include <QHeaderView>
#include <QSignalSpy>
#include <QStyledItemDelegate>
#include <QtTest>

#include "frame/widgets/trellisex.h"
#include "text/codec.h"

namespace {

struct OptionProbe : QStyledItemDelegate {
    using QStyledItemDelegate::initStyleOption;
};

QModelIndex At(CTrellisEx& g, int row, int column) {
    return g.model()->index(row - 1, column);
}

QPoint CheckBoxPoint(CTrellisEx& g, int row, int column) {
    const QModelIndex i = At(g, row, column);
    QStyleOptionViewItem opt;
    opt.initFrom(g.viewport());
    opt.rect = g.visualRect(i);
    OptionProbe().initStyleOption(&opt, i);
    return g.style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &opt, &g).center();
}

QPoint TextPoint(CTrellisEx& g, int row, int column) {
    const QRect r = g.visualRect(At(g, row, column));
    return QPoint(r.right() - 4, r.center().y());
}

// The recipient list's columns and three members, the second one unchecked.
void FillMembers(CTrellisEx& g) {
    for (const char* title : {"No.", "회원명", "전화번호", "포인트"})
        g.InsertColumn(zmsg::K(title), DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    g.SetItemFormat(0, 3, DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
    g.SetFixedRowCount(1);
    g.SetFixedColumnCount(1);
    g.SetRedraw(false);
    g.DeleteNonFixedRows();
    const char* names[] = {"김철수", "이영희", "박민수"};
    const char* phones[] = {"01012345678", "01098765432", "0101112222"};
    for (int i = 0; i < 3; ++i) {
        const int r = g.InsertRow();
        QCOMPARE(r, i + 1);
        g.SetIntNumItemText(r, 0, r);
        g.SetItemData(r, 0, 1000 + r);
        g.SetItemText(r, 1, zmsg::K(names[i]));
        g.SetCellTypeCheck(r, 1);
        g.SetCellCheck(r, 1, r != 2);
        g.SetItemText(r, 2, phones[i]);
        g.SetItemFgColour(r, 2, 0x9B0000);
        g.SetItemText(r, 3, "1,200");
        g.SetItemFormat(r, 3, DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
    }
    g.SetRedraw(true);
    g.AutoFitColumns();
}

} // namespace

class TrellisExTest : public QObject {
    Q_OBJECT
private slots:
    void cellsAsTheOwnerAndTheUserSeeThem() {
        CTrellisEx g;
        FillMembers(g);
        QCOMPARE(g.GetRowCount(), 4);
        QCOMPARE(g.GetColumnCount(), 4);
        QCOMPARE(g.GetItemText(0, 1), zmsg::K("회원명"));
        QCOMPARE(g.GetItemText(2, 1), zmsg::K("이영희")); // CP949 bytes back unchanged
        QCOMPARE(g.GetItemText(3, 0), std::string("3"));
        QCOMPARE(g.GetItemData(3, 0), 1003);
        QVERIFY(g.IsCellTypeCheck(1, 1));
        QVERIFY(!g.IsCellTypeCheck(1, 2));
        QVERIFY(g.IsCellChecked(1, 1));
        QVERIFY(!g.IsCellChecked(2, 1));
        QVERIFY(!g.IsCellChecked(1, 2)); // not a check box

        // What the view draws.
        const QAbstractItemModel* m = g.model();
        QCOMPARE(m->headerData(1, Qt::Horizontal).toString(), QStringLiteral("회원명"));
        QCOMPARE(m->data(At(g, 2, 1)).toString(), QStringLiteral("이영희"));
        QCOMPARE(m->data(At(g, 2, 1), Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
        QCOMPARE(m->data(At(g, 1, 1), Qt::CheckStateRole).toInt(), int(Qt::Checked));
        QCOMPARE(m->data(At(g, 1, 2), Qt::ForegroundRole).value<QBrush>().color(), QColor(0, 0, 155));
        // Cells that do not exist.
        QVERIFY(!g.SetItemText(4, 1, "x"));
        QVERIFY(!g.SetItemText(1, 4, "x"));
        QVERIFY(!g.SetCellCheck(-1, 1, true));
        QCOMPARE(g.GetItemText(9, 1), std::string());
        QCOMPARE(g.GetItemData(9, 0), 0);
    }

    void batchFillingAndSelectionWhileDrawingIsOff() {
        CTrellisEx g;
        FillMembers(g);
        g.resize(500, 300);
        g.show();
        QVERIFY(QTest::qWaitForWindowExposed(&g));

        // A reload: clear, refill, select the new rows while drawing is still off (as a paste does).
        g.SetRedraw(false);
        g.DeleteNonFixedRows();
        for (int i = 1; i <= 5000; ++i) {
            const int r = g.InsertRow();
            g.SetIntNumItemText(r, 0, r);
            g.SetItemText(r, 2, "010" + std::to_string(10000000 + i));
        }
        QCOMPARE(g.GetRowCount(), 5001);
        QCOMPARE(g.GetItemText(5000, 2), std::string("01010005000"));
        QVERIFY(g.SetSelectedRange(4990, 1, 5000, 2));
        g.EnsureVisible(5000, 1);
        g.SetRedraw(true);
        QCOMPARE(g.model()->rowCount(), 5000);
        QCOMPARE(g.model()->data(At(g, 5000, 2)).toString(), QStringLiteral("01010005000"));
        QVERIFY(g.GetItemState(4990, 1) & CTrellisEx::kStateSelected);
        QVERIFY(g.GetItemState(5000, 2) & CTrellisEx::kStateSelected);
        QVERIFY(!(g.GetItemState(4989, 1) & CTrellisEx::kStateSelected));
        QVERIFY(!(g.GetItemState(5000, 3) & CTrellisEx::kStateSelected));
        QVERIFY(g.viewport()->rect().intersects(g.visualRect(At(g, 5000, 1))));

        // Appending with drawing on reaches the view at once.
        const int r = g.InsertRow();
        QCOMPARE(r, 5001);
        QCOMPARE(g.model()->rowCount(), 5001);

        // List mode: a whole row, the others cleared.
        g.SetListMode(true);
        QVERIFY(g.SetRowSelected(7));
        for (int c = 0; c < 4; ++c)
            QVERIFY(g.GetItemState(7, c) & CTrellisEx::kStateSelected);
        QVERIFY(!(g.GetItemState(4990, 1) & CTrellisEx::kStateSelected));
        QVERIFY(g.GetItemState(7, 1) & CTrellisEx::kStateFocused);
        g.EnsureVisible(7, 1);
        QVERIFY(g.viewport()->rect().intersects(g.visualRect(At(g, 7, 1))));
    }

    void clicksCarryRowAndColumn() {
        CTrellisEx g;
        FillMembers(g);
        g.SetHeaderCheckToggle(true);
        g.resize(500, 300);
        g.show();
        QVERIFY(QTest::qWaitForWindowExposed(&g));

        QList<std::pair<int, int>> clicks;
        QList<bool> checkedAtClick;
        connect(&g, &CTrellisEx::cellClicked, this, [&](int row, int column) {
            clicks.append({row, column});
            checkedAtClick.append(row > 0 && g.IsCellChecked(row, column));
        });
        QSignalSpy doubles(&g, &CTrellisEx::cellDoubleClicked);

        QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, TextPoint(g, 3, 2));
        QCOMPARE(clicks.size(), 1);
        QCOMPARE(clicks[0], std::make_pair(3, 2));

        // The owner recounts on the click and must see the box already changed.
        QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, CheckBoxPoint(g, 2, 1));
        QVERIFY(g.IsCellChecked(2, 1));
        QCOMPARE(clicks.size(), 2);
        QCOMPARE(clicks[1], std::make_pair(2, 1));
        QCOMPARE(checkedAtClick[1], true);

        // Space on the focused check cell toggles it and reports it the same way.
        g.setCurrentIndex(At(g, 2, 1));
        QTest::keyClick(&g, Qt::Key_Space);
        QVERIFY(!g.IsCellChecked(2, 1));
        QCOMPARE(clicks.size(), 3);
        QCOMPARE(clicks[2], std::make_pair(2, 1));

        // A double click arrives as press, release, double click, release.
        QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, TextPoint(g, 1, 3));
        QTest::mouseDClick(g.viewport(), Qt::LeftButton, {}, TextPoint(g, 1, 3));
        QTest::mouseRelease(g.viewport(), Qt::LeftButton, {}, TextPoint(g, 1, 3));
        QVERIFY(!doubles.isEmpty());
        QCOMPARE(doubles.last().at(0).toInt(), 1);
        QCOMPARE(doubles.last().at(1).toInt(), 3);

        // The title of the check column checks all, then clears all.
        QHeaderView* header = g.horizontalHeader();
        const QPoint title(header->sectionViewportPosition(1) + header->sectionSize(1) / 2,
                           header->height() / 2);
        clicks.clear();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, title);
        QCOMPARE(clicks.value(0), std::make_pair(0, 1));
        for (int r = 1; r <= 3; ++r)
            QVERIFY(g.IsCellChecked(r, 1));
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, title);
        for (int r = 1; r <= 3; ++r)
            QVERIFY(!g.IsCellChecked(r, 1));
    }
};

QTEST_MAIN(TrellisExTest)
#include "test_trellisex.moc"
