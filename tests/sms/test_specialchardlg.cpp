// The "특" popup: what its two tables hold, and what choosing does to the editor that opened it.
#include <functional>

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include "compose/ui/specialchardlg.h"
#include "frame/widgets/trellisex.h"
#include "tests/support/whenmodal.h"
#include "text/codec.h"

using zmsg::K;

namespace {

constexpr int kWait = 5000;

// Selects the cell as a click would and presses "사용".
void Use(CSpecialCharDlg& dlg, int row, int column) {
    dlg.Grid()->SetSelectedRange(row, column, row, column);
    QTest::mouseClick(dlg.UseButton(), Qt::LeftButton);
}

} // namespace

class TestSpecialCharDlg : public QObject {
    Q_OBJECT
private slots:
    void tablesHoldEveryCellInCodePage949();
    void nothingChosenKeepsThePopupOpen();
    void symbolReplacesTheSelectionAtTheCaret();
    void emoticonIsFollowedByALineBreak();
    void everyCellShowsItsWholeText();
    void withoutAnEditorTheChoiceIsReturned();
};

void TestSpecialCharDlg::tablesHoldEveryCellInCodePage949() {
    CSpecialCharDlg dlg(nullptr, 120, 80);
    dlg.show();
    QVERIFY(dlg.SymbolsButton()->isChecked());
    QCOMPARE(dlg.UseButton()->toolTip(), QString::fromUtf8("선택된 문자를 메시지에 추가합니다.(더블클릭)"));

    struct Mode {
        CSpecialCharDlg::Mode mode;
        int rows;
        int columns;
        int filled;
        const char* first;
        const char* last;
    };
    const Mode modes[] = {
        {CSpecialCharDlg::Mode::Symbols, 13, 8, 103, "★", "》"},
        {CSpecialCharDlg::Mode::Emoticons, 8, 4, 32, "(*^▽^*)", " q .  . p\n(*(00)*);"},
    };
    for (const Mode& m : modes) {
        dlg.SetMode(m.mode);
        CTrellisEx* grid = dlg.Grid();
        QCOMPARE(grid->GetRowCount() - 1, m.rows);
        QCOMPARE(grid->GetColumnCount(), m.columns);
        int filled = 0;
        std::string lastText;
        for (int r = 1; r <= m.rows; ++r)
            for (int c = 0; c < m.columns; ++c) {
                const std::string text = grid->GetItemText(r, c);
                // A character the code page lacks would have become '?'.
                QVERIFY2(text.find('?') == std::string::npos, zmsg::Cp949ToUtf8(text).c_str());
                if (!text.empty()) {
                    ++filled;
                    lastText = text;
                }
            }
        QCOMPARE(filled, m.filled);
        QCOMPARE(grid->GetItemText(1, 0), K(m.first));
        QCOMPARE(lastText, K(m.last));
    }
}

void TestSpecialCharDlg::nothingChosenKeepsThePopupOpen() {
    QPlainTextEdit edit;
    edit.setPlainText(QStringLiteral("abc"));
    CSpecialCharDlg dlg(&edit, -1, -1);
    dlg.show();
    QTest::mouseClick(dlg.UseButton(), Qt::LeftButton);
    QVERIFY(dlg.isVisible());
    Use(dlg, 13, 7); // the empty last cell of the symbols
    QVERIFY(dlg.isVisible());
    QCOMPARE(edit.toPlainText(), QStringLiteral("abc"));
    QCOMPARE(dlg.Chosen(), std::string());

    QTest::mouseClick(dlg.CloseButton(), Qt::LeftButton);
    QCOMPARE(dlg.result(), int(QDialog::Rejected));
    QCOMPARE(edit.toPlainText(), QStringLiteral("abc"));
}

void TestSpecialCharDlg::symbolReplacesTheSelectionAtTheCaret() {
    QPlainTextEdit edit;
    edit.setPlainText(QStringLiteral("call world now"));
    QTextCursor cursor = edit.textCursor();
    cursor.setPosition(5);
    cursor.setPosition(10, QTextCursor::KeepAnchor); // "world"
    edit.setTextCursor(cursor);

    CSpecialCharDlg dlg(&edit, -1, -1);
    dlg.show();
    Use(dlg, 1, 2);
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QCOMPARE(edit.toPlainText(), QString::fromUtf8("call ☎ now"));
    QCOMPARE(edit.textCursor().position(), 6);
    QCOMPARE(dlg.Chosen(), K("☎"));

    // A double click on a cell chooses it too.
    QLineEdit line;
    line.setText(QStringLiteral("ab"));
    line.setCursorPosition(1);
    CSpecialCharDlg twice(&line, -1, -1);
    twice.show();
    QVERIFY(QTest::qWaitForWindowExposed(&twice));
    CTrellisEx* grid = twice.Grid();
    const QPoint at = grid->visualRect(grid->model()->index(7, 3)).center(); // row 8: ④
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, at);
    QTRY_COMPARE_WITH_TIMEOUT(twice.result(), int(QDialog::Accepted), kWait);
    QCOMPARE(line.text(), QString::fromUtf8("a④b"));
}

void TestSpecialCharDlg::emoticonIsFollowedByALineBreak() {
    struct Row {
        const char* name;
        int row;
        int column;
        const char* inserted;
    };
    const Row rows[] = {
        {"single line", 1, 0, "(*^▽^*)\n"},
        {"leading blank trimmed", 3, 0, "o(-\"-)o\n"},
        {"two lines", 8, 2, "sS▶◀s。\n( ^˘^)˚\n"},
    };
    for (const Row& r : rows) {
        QLineEdit title;
        CSpecialCharDlg dlg(&title, -1, -1);
        dlg.show();
        QTest::mouseClick(dlg.EmoticonsButton(), Qt::LeftButton);
        QVERIFY(dlg.CurrentMode() == CSpecialCharDlg::Mode::Emoticons);
        Use(dlg, r.row, r.column);
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(dlg.Chosen(), K(r.inserted));
        QCOMPARE(title.text(), QString::fromUtf8(r.inserted));
    }
}

void TestSpecialCharDlg::everyCellShowsItsWholeText() {
    CSpecialCharDlg dlg(nullptr, 10, 10);
    dlg.show();
    for (const auto mode : {CSpecialCharDlg::Mode::Emoticons, CSpecialCharDlg::Mode::Symbols}) {
        dlg.SetMode(mode);
        CTrellisEx* grid = dlg.Grid();
        // One face for Hangul, symbols and Latin alike.
        QCOMPARE(QFontInfo(grid->font()).family(), QStringLiteral("NanumGothic"));
        const QFontMetrics metrics(grid->font());
        int clipped = 0;
        for (int r = 1; r < grid->GetRowCount(); ++r)
            for (int c = 0; c < grid->GetColumnCount(); ++c) {
                const QString text = zmsg::FromCp949(grid->GetItemText(r, c));
                const QRect cell = grid->visualRect(grid->model()->index(r - 1, c));
                const QRect need = metrics.boundingRect(QRect(0, 0, 10000, 10000), Qt::AlignCenter, text);
                if (need.width() > cell.width() || need.height() > cell.height()) {
                    qWarning() << "clipped:" << text << need.size() << cell.size();
                    ++clipped;
                }
                // Nothing of the table lies outside the popup: no cell is cut by its edge.
                QVERIFY(grid->viewport()->rect().contains(cell));
            }
        QCOMPARE(clipped, 0);
    }
    // Back on the symbols the popup has its own size again.
    QCOMPARE(dlg.size(), QSize(257, 373));
}

void TestSpecialCharDlg::withoutAnEditorTheChoiceIsReturned() {
    WhenModal<CSpecialCharDlg>([](CSpecialCharDlg& dlg) { Use(dlg, 4, 1); });
    QCOMPARE(CSpecialCharDlg::Choose(nullptr).value_or("(closed)"), K("♬"));

    WhenModal<CSpecialCharDlg>([](CSpecialCharDlg& dlg) { QTest::keyClick(&dlg, Qt::Key_Escape); });
    QVERIFY(!CSpecialCharDlg::Choose(nullptr).has_value());
}

QTEST_MAIN(TestSpecialCharDlg)
#include "test_specialchardlg.moc"
