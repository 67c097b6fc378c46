// The LMS editor: the limits kept while typing and pasting, byte counts in code page 949, and what
// goes back to the caller on OK and on cancel.
#include <functional>

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include "compose/ui/specialchardlg.h"
#include "frame/widgets/trellisex.h"
#include "sms/ui/lmseditdlg.h"
#include "tests/support/scriptedmessages.h"
#include "tests/support/whenmodal.h"
#include "text/codec.h"

using zmsg::K;

namespace {

const char* const kTitleTooLong = "제목은 40바이트(한글20자, 영문40자)까지만 입력하실 수 있습니다.";
const char* const kTextTooLong = "내용은 2000바이트(한글1000자, 영문2000자)까지만 입력하실 수 있습니다.";

QPushButton* Button(QWidget& dlg, const char* caption) {
    for (auto* b : dlg.findChildren<QPushButton*>())
        if (b->text() == QString::fromUtf8(caption))
            return b;
    return nullptr;
}

} // namespace

class TestLmsEditDlg : public QObject {
    Q_OBJECT
private slots:
    void okReturnsTheEditsAndCancelNothing();
    void titleIsCutAtFortyBytesOnWholeCharacters();
    void textCountsLineBreaksAsOneByte();
    void extendedSyllablesAreNeverSplit();
    void charactersWithoutCodePage949AreRefused();
    void specialCharacterGoesToTheEditWhoseButtonWasPressed();
};

void TestLmsEditDlg::okReturnsTheEditsAndCancelNothing() {
    ScriptedMessages boxes;
    std::string subject = K("행사 안내");
    std::string text = K("첫 줄\n둘째 줄");

    WhenModal<CLmsEditDlg>([](CLmsEditDlg& dlg) {
        // What the caller handed over is shown and counted.
        QCOMPARE(dlg.windowTitle(), QString::fromUtf8("장문(LMS) 편집"));
        QCOMPARE(dlg.TitleEdit()->text(), QString::fromUtf8("행사 안내"));
        QCOMPARE(dlg.TitleCounter()->text(), QStringLiteral("9/40"));
        QCOMPARE(dlg.TextCounter()->text(), QStringLiteral("13/2000"));
        dlg.TitleEdit()->setText(QString::fromUtf8("새 제목"));
        dlg.TextEdit()->setPlainText(QString::fromUtf8("고친 내용\r\n끝"));
        QTest::mouseClick(Button(dlg, "확인"), Qt::LeftButton);
    });
    QVERIFY(CLmsEditDlg::Edit(nullptr, subject, text));
    QCOMPARE(subject, K("새 제목"));
    QCOMPARE(text, K("고친 내용\n끝"));

    WhenModal<CLmsEditDlg>([](CLmsEditDlg& dlg) {
        dlg.TitleEdit()->setText(QStringLiteral("changed"));
        dlg.TextEdit()->setPlainText(QStringLiteral("changed"));
        QTest::mouseClick(Button(dlg, "취소"), Qt::LeftButton);
    });
    QVERIFY(!CLmsEditDlg::Edit(nullptr, subject, text));
    QCOMPARE(subject, K("새 제목"));
    QCOMPARE(text, K("고친 내용\n끝"));

    WhenModal<CLmsEditDlg>([](CLmsEditDlg& dlg) { QTest::keyClick(&dlg, Qt::Key_Escape); });
    QVERIFY(!CLmsEditDlg::Edit(nullptr, subject, text));
    QCOMPARE(subject, K("새 제목"));
    QVERIFY(boxes.shown().empty());
}

void TestLmsEditDlg::titleIsCutAtFortyBytesOnWholeCharacters() {
    struct Row {
        const char* name;
        QString pasted;
        QString kept;
        const char* counter;
        int messages;
    };
    const QString ascii45 = QString(45, QLatin1Char('a'));
    const QString odd =
        QStringLiteral("a") + QString::fromUtf8("가").repeated(22); // byte 40 splits a syllable
    const Row rows[] = {
        {"45 ASCII bytes", ascii45, QString(40, QLatin1Char('a')), "40/40", 1},
        {"Korean across byte 40", odd, QStringLiteral("a") + QString::fromUtf8("가").repeated(19), "39/40",
         1},
        {"exactly 40", QString::fromUtf8("가").repeated(20), QString::fromUtf8("가").repeated(20), "40/40",
         0},
    };
    for (const Row& r : rows) {
        ScriptedMessages boxes;
        CLmsEditDlg dlg;
        dlg.show();
        dlg.TitleEdit()->insert(r.pasted);
        QCOMPARE(dlg.TitleEdit()->text(), r.kept);
        QCOMPARE(dlg.TitleCounter()->text(), QLatin1String(r.counter));
        QCOMPARE(static_cast<int>(boxes.shown().size()), r.messages);
        if (r.messages)
            QCOMPARE(boxes.texts().front(), std::string(kTitleTooLong));
        QCOMPARE(dlg.TitleEdit()->cursorPosition(), r.kept.size());
    }

    // A caller's title over the limit is cut before it can be confirmed.
    ScriptedMessages boxes;
    CLmsEditDlg dlg;
    dlg.SetTitle(std::string(50, 'x'));
    dlg.show();
    QCOMPARE(dlg.TitleCounter()->text(), QStringLiteral("40/40"));
    dlg.accept();
    QCOMPARE(dlg.Title(), std::string(40, 'x'));
    QCOMPARE(boxes.texts(), std::vector<std::string>{kTitleTooLong});
}

void TestLmsEditDlg::textCountsLineBreaksAsOneByte() {
    ScriptedMessages boxes;
    CLmsEditDlg dlg;
    dlg.show();
    // 1999 characters and one line break: exactly the limit.
    const QString full = QString(1000, QLatin1Char('a')) + QLatin1Char('\n') + QString(999, QLatin1Char('b'));
    dlg.TextEdit()->setPlainText(full);
    QCOMPARE(dlg.TextCounter()->text(), QStringLiteral("2000/2000"));
    QVERIFY(boxes.shown().empty());

    // One more byte typed at the end is cut off again.
    dlg.TextEdit()->moveCursor(QTextCursor::End);
    QTest::keyClicks(dlg.TextEdit(), QStringLiteral("c"));
    QCOMPARE(dlg.TextEdit()->toPlainText(), full);
    QCOMPARE(dlg.TextCounter()->text(), QStringLiteral("2000/2000"));
    QCOMPARE(boxes.texts(), std::vector<std::string>{kTextTooLong});
    QVERIFY(dlg.TextEdit()->textCursor().atEnd());

    // Korean counts two bytes a syllable.
    dlg.TextEdit()->setPlainText(QString::fromUtf8("안녕하세요\n!"));
    QCOMPARE(dlg.TextCounter()->text(), QStringLiteral("12/2000"));
    dlg.accept();
    QCOMPARE(dlg.Text(), K("안녕하세요\n!"));
}

void TestLmsEditDlg::extendedSyllablesAreNeverSplit() {
    // Lead bytes 0x81 to 0xA0 and trail bytes that may be ASCII letters: "똠" 8C 63, "뷁" 94 EE, "갂" 81 41.
    // A syllable that ends on the limit stays; one that would cross it goes whole.
    for (const char* syllable : {"똠", "뷁", "갂"}) {
        const QString c = QString::fromUtf8(syllable);
        struct Row {
            QString pasted;
            QString kept;
            QString counter;
        };
        const Row titles[] = {
            {c.repeated(20), c.repeated(20), QStringLiteral("40/40")},
            {QStringLiteral("ab") + c.repeated(19), QStringLiteral("ab") + c.repeated(19),
             QStringLiteral("40/40")},
            {QStringLiteral("a") + c.repeated(20), QStringLiteral("a") + c.repeated(19),
             QStringLiteral("39/40")},
        };
        for (const Row& r : titles) {
            ScriptedMessages boxes;
            CLmsEditDlg dlg;
            dlg.show();
            dlg.TitleEdit()->insert(r.pasted);
            QCOMPARE(dlg.TitleEdit()->text(), r.kept);
            QCOMPARE(dlg.TitleCounter()->text(), r.counter);
            QCOMPARE(boxes.texts(), r.kept == r.pasted ? std::vector<std::string>{}
                                                       : std::vector<std::string>{kTitleTooLong});
            dlg.accept();
            QCOMPARE(dlg.Title(), zmsg::ToCp949Lossy(r.kept));
        }
        const Row texts[] = {
            {c.repeated(1000), c.repeated(1000), QStringLiteral("2000/2000")},
            {QStringLiteral("a\n") + c.repeated(999), QStringLiteral("a\n") + c.repeated(999),
             QStringLiteral("2000/2000")},
            {QStringLiteral("a") + c.repeated(1000), QStringLiteral("a") + c.repeated(999),
             QStringLiteral("1999/2000")},
        };
        for (const Row& r : texts) {
            ScriptedMessages boxes;
            CLmsEditDlg dlg;
            dlg.show();
            dlg.TextEdit()->setPlainText(r.pasted);
            QCOMPARE(dlg.TextEdit()->toPlainText(), r.kept);
            QCOMPARE(dlg.TextCounter()->text(), r.counter);
            QCOMPARE(boxes.texts(), r.kept == r.pasted ? std::vector<std::string>{}
                                                       : std::vector<std::string>{kTextTooLong});
            dlg.accept();
            QCOMPARE(dlg.Text(), zmsg::ToCp949Lossy(r.kept));
        }
    }
}

void TestLmsEditDlg::charactersWithoutCodePage949AreRefused() {
    ScriptedMessages boxes;
    CLmsEditDlg dlg;
    dlg.SetTitle(K("할인"));
    dlg.show();
    dlg.TitleEdit()->end(false);
    dlg.TitleEdit()->insert(QString::fromUtf8("😀"));
    QCOMPARE(dlg.TitleEdit()->text(), QString::fromUtf8("할인"));
    QCOMPARE(dlg.TitleCounter()->text(), QStringLiteral("4/40"));
    dlg.TextEdit()->insertPlainText(QString::fromUtf8("오늘 😀 특가"));
    QCOMPARE(dlg.TextEdit()->toPlainText(), QString());
    QCOMPARE(dlg.TextCounter()->text(), QStringLiteral("0/2000"));
    QCOMPARE(boxes.shown().size(), size_t(2));
    for (const std::string& t : boxes.texts())
        QVERIFY2(t.find("U+1F600") != std::string::npos, t.c_str());
}

void TestLmsEditDlg::specialCharacterGoesToTheEditWhoseButtonWasPressed() {
    ScriptedMessages boxes;
    CLmsEditDlg dlg;
    dlg.SetTitle(K("행사"));
    dlg.SetText(K("본문"));
    dlg.show();
    dlg.TitleEdit()->setCursorPosition(0);

    WhenModal<CSpecialCharDlg>([](CSpecialCharDlg& popup) {
        popup.Grid()->SetSelectedRange(1, 0, 1, 0); // ★
        QTest::mouseClick(popup.UseButton(), Qt::LeftButton);
    });
    QTest::mouseClick(dlg.TitleCharButton(), Qt::LeftButton);
    QCOMPARE(dlg.TitleEdit()->text(), QString::fromUtf8("★행사"));
    QCOMPARE(dlg.TitleCounter()->text(), QStringLiteral("6/40"));

    dlg.TextEdit()->moveCursor(QTextCursor::End);
    WhenModal<CSpecialCharDlg>([](CSpecialCharDlg& popup) {
        QTest::mouseClick(popup.EmoticonsButton(), Qt::LeftButton);
        popup.Grid()->SetSelectedRange(1, 2, 1, 2); // (^▽^)
        QTest::mouseClick(popup.UseButton(), Qt::LeftButton);
    });
    QTest::mouseClick(dlg.TextCharButton(), Qt::LeftButton);
    QCOMPARE(dlg.TextEdit()->toPlainText(), QString::fromUtf8("본문(^▽^)\n"));
    QCOMPARE(dlg.TextCounter()->text(), QStringLiteral("11/2000"));

    // Closing the popup inserts nothing.
    WhenModal<CSpecialCharDlg>(
        [](CSpecialCharDlg& popup) { QTest::mouseClick(popup.CloseButton(), Qt::LeftButton); });
    QTest::mouseClick(dlg.TextCharButton(), Qt::LeftButton);
    QCOMPARE(dlg.TextEdit()->toPlainText(), QString::fromUtf8("본문(^▽^)\n"));
    QVERIFY(boxes.shown().empty());
}

QTEST_MAIN(TestLmsEditDlg)
#include "test_lmseditdlg.moc"
