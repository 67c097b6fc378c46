// One keystroke in the SMS dialog's editor with 2,000 bytes of text: the byte counter, the SMS/LMS
// limit and the blinking label all follow the key. Measured through the real dialog, offscreen.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>

#include <QApplication>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>

#include "bench/widgetfixture.h"
#include "center/vexconfig.h"
#include "db/sqldirect.h"
#include "frame/messagebox.h"
#include "host/demodb.h"
#include "sim/simserver.h"
#include "sms/ui/smsdlg.h"

namespace {

struct Setup {
    QTemporaryDir dir;
    zmsg::sim::SimServer sim;
    CSQLDirect db;
    std::unique_ptr<CSMSDlg> dlg;
    QPlainTextEdit* editor = nullptr;

    Setup() {
        // Boxes are answered at once: a benchmark never waits for a person.
        SetMessagePresenter([](const std::string&, unsigned, unsigned, int, QWidget*) { return IDOK; });
        qputenv("XDG_CONFIG_HOME", dir.path().toLocal8Bit());
        const std::string path = dir.filePath(QStringLiteral("store.db")).toStdString();
        if (!sim.Start(0) || !CreateDemoDatabase(path, nullptr) || !db.Open("sqlite:" + path))
            std::abort();
        CvexConfig("ZMSG").SetConfigString("CENTER", "Host", sim.BaseUrl());
        dlg = std::make_unique<CSMSDlg>(&db, 1, 1, "", "");
        if (!dlg->Start())
            std::abort();
        dlg->show();
        editor = dlg->findChild<QPlainTextEdit*>(QStringLiteral("messageEditor"));
    }
};

Setup& Dialog() {
    return WidgetFixture<Setup>::Get();
}

// Text of `bytes` bytes in CP949: Korean syllables (two bytes each) in lines of 40 characters.
QString TextOf(int bytes) {
    QString text;
    int used = 0;
    while (used + 2 <= bytes) {
        if (used > 0 && used % 81 == 80) {
            text += QLatin1Char('\n');
            ++used;
            continue;
        }
        text += QChar(0xAC00 + used % 100);
        used += 2;
    }
    return text;
}

// A key typed at the end and taken back again, so the text stays at its size.
void BM_Keystroke(benchmark::State& state) {
    Setup& s = Dialog();
    s.editor->setPlainText(TextOf(static_cast<int>(state.range(0))));
    s.editor->moveCursor(QTextCursor::End);
    for (auto _ : state) {
        QTest::keyClick(s.editor, Qt::Key_A);
        QTest::keyClick(s.editor, Qt::Key_Backspace);
    }
    // Time per key: the iteration's time halved.
    state.SetItemsProcessed(state.iterations() * 2);
}
BENCHMARK(BM_Keystroke)->Arg(90)->Arg(2000)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    return RunWidgetBenchmarks<Setup>(argc, argv);
}
