// The progress window of a send while the center holds a request. Under X11 a window whose expose is
// never processed stays blank for the whole wait: the window must be painted while the send holds the
// thread, and a desktop's request to redraw it must be answered meanwhile, not once the send is over.
#include <QCheckBox>
#include <QExposeEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QWindow>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "frame/widgets/progressdlg.h"
#include "sms/ui/smsdlg.h"
#include "tests/sms/dialogstore.h"
#include "tests/support/scriptedmessages.h"

namespace {

constexpr int kHoldMs = 1500;

// Watches the progress window from the window's thread: where it is, and what each paint showed.
class ProgressWatch : public QObject {
public:
    explicit ProgressWatch(zmsg::sim::SimServer& sim) : m_sim(sim) {}

    struct Paint {
        bool beforeEnd; // no end had been asked for yet
        QString step;
        QString counter;
        int bar;
    };
    std::vector<Paint> paints;
    int exposesWhileHeld = 0;
    std::atomic<QWindow*> window{nullptr};

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (auto* dlg = qobject_cast<CProgressDlg*>(watched)) {
            m_dlg = dlg;
            if (event->type() == QEvent::Show && dlg->windowHandle())
                window = dlg->windowHandle();
            if (event->type() == QEvent::Paint)
                paints.push_back({m_sim.Requests().Count("SMSEND") == 0, dlg->StepLabel()->text(),
                                  dlg->CounterLabel()->isVisible() ? dlg->CounterLabel()->text() : QString(),
                                  dlg->Bar()->value()});
        } else if (event->type() == QEvent::Expose && m_dlg && watched == m_dlg->windowHandle() && Held()) {
            ++exposesWhileHeld;
        }
        return false;
    }

private:
    // The batch is at the center and its reply has not come back: no end has been asked for, and the
    // window still shows the batches' step.
    bool Held() const {
        return m_sim.Requests().Count("SMSLIST") == 1 && m_sim.Requests().Count("SMSEND") == 0 && m_dlg &&
               m_dlg->StepLabel()->text() == QStringLiteral("SMS 데이터를 센터로 보내는 중입니다.");
    }

    zmsg::sim::SimServer& m_sim;
    QPointer<CProgressDlg> m_dlg;
};

} // namespace

class TestSmsDlgProgress : public QObject {
    Q_OBJECT

private slots:
    void windowIsExposedAndRepaintedWhileTheCenterHoldsABatch() {
        DialogStore store;
        QVERIFY(store.ok());
        ScriptedMessages boxes;
        CSMSDlg dlg(store.db(), 1, 0, "", "AND mem_code<=40");
        QVERIFY(dlg.Start());
        dlg.show();
        QTRY_VERIFY(dlg.Recipients().size() > 1);
        QTRY_COMPARE(boxes.shown().size(), size_t(1)); // the load summary
        dlg.findChild<QPlainTextEdit*>(QStringLiteral("messageEditor"))
            ->setPlainText(QStringLiteral("내일 휴점합니다"));
        dlg.findChild<QCheckBox*>(QStringLiteral("noAdCheck"))->setChecked(true);
        boxes.clear();

        zmsg::sim::Fault hold;
        hold.verb = "SMSLIST";
        hold.kind = zmsg::sim::FaultKind::Delay;
        hold.delayMs = kHoldMs;
        store.fx().sim().Faults().Arm(hold);

        ProgressWatch watch(store.fx().sim());
        qApp->installEventFilter(&watch);
        // The desktop asks the window to redraw while the batch is held (as X11 does once it maps
        // the window, whenever that is): the expose comes from outside the window's thread.
        std::atomic<bool> stop{false};
        std::thread desktop([&] {
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
            while (!stop && std::chrono::steady_clock::now() < deadline) {
                QWindow* w = watch.window.load();
                if (w && store.fx().sim().Requests().Count("SMSLIST") == 1) {
                    QCoreApplication::postEvent(w, new QExposeEvent(QRegion(0, 0, 400, 100)));
                    return;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
        });
        QTest::mouseClick(dlg.findChild<QPushButton*>(QStringLiteral("sendButton")), Qt::LeftButton);
        stop = true;
        desktop.join();
        qApp->removeEventFilter(&watch);

        QCOMPARE(store.fx().sim().Requests().Count("SMSEND"), 1);
        QCOMPARE(boxes.texts().size(), size_t(1));
        QVERIFY2(watch.exposesWhileHeld >= 1, "the expose waited until the send let go of the thread");
        // Painted with the batches' step, the rows gone through and the bar before the center answered
        // the batch (no end asked for yet), not only once the send let go of the thread.
        int heldPaints = 0;
        for (const auto& p : watch.paints)
            if (p.beforeEnd && p.step == QStringLiteral("SMS 데이터를 센터로 보내는 중입니다.") &&
                p.counter.endsWith(QStringLiteral("(100%)")) && p.bar > 0)
                ++heldPaints;
        QVERIFY2(heldPaints >= 1, "the window was not painted before the batch was answered");
    }
};

QTEST_MAIN(TestSmsDlgProgress)
#include "test_smsdlg_progress.moc"
