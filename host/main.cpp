// zmsg-host: a stand-in for the store program. Opens the store database and calls the module's
// exports from a window or straight from a shell (for cron and scripts).
#include <QApplication>
#include <QLoggingCategory>
#include <QStringList>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>

#include "db/sqldirect.h"
#include "frame/display.h"
#include "host/demodb.h"
#include "host/hostwindow.h"
#include "host/usage.h"
#include "text/codec.h"
#include "zmsg/zmsg.h"

namespace {

struct Args {
    QString command;
    QString positional;
    std::map<QString, QString> options;
    QString get(const char* key, const char* fallback = "") const {
        const auto it = options.find(QString::fromLatin1(key));
        return it == options.end() ? QString::fromLatin1(fallback) : it->second;
    }
};

bool parse(const QStringList& list, Args& args) {
    for (int i = 1; i < list.size(); ++i) {
        const QString& a = list[i];
        if (a.startsWith(QStringLiteral("--"))) {
            if (i + 1 >= list.size())
                return false;
            args.options[a.mid(2)] = list[++i];
        } else if (args.command.isEmpty()) {
            args.command = a;
        } else if (args.positional.isEmpty()) {
            args.positional = a;
        } else {
            return false;
        }
    }
    return true;
}

// The receipt only asks for sends older than a day. For trying it out on the demo store, the send
// and reservation times of the SMS history are moved back instead of waiting.
int AgeHistory(CSQLDirect& db, int hours) {
    if (hours < 1 || hours > 24 * 60) {
        std::fputs("zmsg-host: --hours must be 1 to 1440\n", stderr);
        return 2;
    }
    const std::string shift = "DATEADD(hour, -" + std::to_string(hours) + ", ";
    const std::string sql[] = {
        "UPDATE smssend SET ss_idate=" + shift + "ss_idate)",
        "UPDATE smssend SET ss_reservedate=" + shift + "ss_reservedate) WHERE ss_reservedate IS NOT NULL",
    };
    for (const std::string& s : sql) {
        const int rc = db.ExecuteSQL(s.c_str());
        if (rc != 0 && rc != 1 && rc != 100) {
            std::fprintf(stderr, "zmsg-host: %s\n", db.GetLastError().c_str());
            return 1;
        }
    }
    std::printf("moved the SMS history %d hours back\n", hours);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QStringList argList;
    for (int i = 0; i < argc; ++i)
        argList << QString::fromLocal8Bit(argv[i]);
    // Asked for, the help goes to stdout and is no failure. Unlike every option, --help takes no value:
    // it is looked for first, stepping over the options' values.
    for (int i = 1; i < argList.size(); ++i) {
        if (argList[i] == QStringLiteral("--help") || argList[i] == QStringLiteral("-h")) {
            std::fputs(kHostHelp, stdout);
            return 0;
        }
        if (argList[i].startsWith(QStringLiteral("--")))
            ++i;
    }
    Args args;
    if (!parse(argList, args)) {
        std::fputs(kHostUsage, stderr);
        return 2;
    }
    if (args.command == QStringLiteral("help")) {
        std::fputs(kHostHelp, stdout);
        return 0;
    }

    if (args.command == QStringLiteral("make-demo-db")) {
        if (args.positional.isEmpty()) {
            std::fputs(kHostUsage, stderr);
            return 2;
        }
        std::string error;
        if (!CreateDemoDatabase(args.positional.toStdString(), &error)) {
            std::fprintf(stderr, "make-demo-db: %s\n", error.c_str());
            return 1;
        }
        std::printf("created %s\n", qPrintable(args.positional));
        return 0;
    }

    // The receipts run from cron without a display: they get a plain core application, and the
    // module then logs instead of showing boxes. A display counts when it opens, not when a variable
    // names one: a GUI application without one ends the process.
    const bool receipt =
        args.command.startsWith(QStringLiteral("receive-")) || args.command == QStringLiteral("age-history");
    std::unique_ptr<QCoreApplication> app;
    if (zmsg::CanOpenDisplay()) {
        app = std::make_unique<QApplication>(argc, argv);
    } else if (receipt) {
        app = std::make_unique<QCoreApplication>(argc, argv);
    } else {
        std::fputs("zmsg-host: no display can be opened (DISPLAY, WAYLAND_DISPLAY, QT_QPA_PLATFORM)\n",
                   stderr);
        return 1;
    }

    const QString conn = args.get("db");
    if (conn.isEmpty()) {
        std::fputs("zmsg-host: --db CONN is required\n", stderr);
        std::fputs(kHostUsage, stderr);
        return 2;
    }
    CSQLDirect db;
    if (!db.Open(conn.toStdString())) {
        std::fprintf(stderr, "zmsg-host: cannot open %s: %s\n", qPrintable(conn), db.GetLastError().c_str());
        return 1;
    }

    const int emp = args.get("emp", "1").toInt();
    const std::string codes = zmsg::ToCp949Lossy(args.get("codes"));
    const std::string condition = zmsg::ToCp949Lossy(args.get("condition"));
    const QString& cmd = args.command;
    if (cmd.isEmpty()) {
        HostWindow window(&db, conn);
        window.show();
        return app->exec();
    }
    if (cmd == QStringLiteral("sms")) {
        PopupSMS(&db, emp, args.get("type", "0").toInt(), codes.c_str(), condition.c_str());
        return 0;
    }
    if (cmd == QStringLiteral("smms")) {
        const std::string image = zmsg::ToCp949Lossy(args.get("image"));
        PopupSMMS(&db, emp, codes.c_str(), condition.c_str(), image.c_str());
        return 0;
    }
    if (cmd == QStringLiteral("coupon")) {
        PopupCouponIssue(&db, emp, codes.c_str(), condition.c_str());
        return 0;
    }
    if (cmd == QStringLiteral("refuse-list")) {
        PopupRefuseList(&db, emp);
        return 0;
    }
    if (cmd == QStringLiteral("receive-sms") || cmd == QStringLiteral("receive-smms")) {
        const bool sms = cmd == QStringLiteral("receive-sms");
        // The module's summary of the run (what its log closes with) becomes the exit line.
        QLoggingCategory::setFilterRules(QStringLiteral("zmsg.receipt.info=true"));
        static QString summary;
        static const QtMessageHandler previous = qInstallMessageHandler(
            [](QtMsgType type, const QMessageLogContext& context, const QString& text) {
                if (context.category && std::strcmp(context.category, "zmsg.receipt") == 0)
                    summary = text;
                else if (previous)
                    previous(type, context, text);
            });
        const int ss = args.get("ss", "0").toInt();
        const bool completed = (sms ? ReceiveResult(&db, ss) : ReceiveSMMSResult(&db, ss)) == 1;
        if (!summary.isEmpty()) {
            std::printf("%s\n", summary.toLocal8Bit().constData());
            std::fflush(stdout);
        }
        if (completed)
            return 0;
        // For cron's mail: the reason is in the module's log.
        std::fprintf(stderr, "zmsg-host: the %s result receipt did not complete (see the module's log)\n",
                     sms ? "SMS" : "app-message");
        return 1;
    }
    if (cmd == QStringLiteral("age-history"))
        return AgeHistory(db, args.get("hours", "25").toInt());
    std::fprintf(stderr, "zmsg-host: unknown command %s\n", qPrintable(cmd));
    std::fputs(kHostUsage, stderr);
    return 2;
}
