// The two programs' --help and man pages name every command and option the programs read: the lists
// are taken from the programs' own argument parsing, so a new option without a word of help fails here.
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>

namespace {

struct ProgramRun {
    int exitCode = -1;
    QString out;
    QString err;
};

ProgramRun Start(const char* program, const QStringList& args) {
    QProcess p;
    p.start(QString::fromUtf8(program), args);
    ProgramRun r;
    if (!p.waitForFinished(30000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
    r.err = QString::fromLocal8Bit(p.readAllStandardError());
    return r;
}

QString Read(const char* path) {
    QFile f(QString::fromUtf8(path));
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

// Every first capture of the pattern in the text, once each.
QStringList Captures(const QString& text, const char* pattern) {
    QSet<QString> seen;
    QStringList out;
    auto it = QRegularExpression(QString::fromUtf8(pattern)).globalMatch(text);
    while (it.hasNext()) {
        const QString c = it.next().captured(1);
        if (!seen.contains(c)) {
            seen.insert(c);
            out << c;
        }
    }
    return out;
}

// A man page's text as a reader sees the words: roff's escaped hyphens are plain ones there.
QString ManText(const char* path) {
    return Read(path).replace(QStringLiteral("\\-"), QStringLiteral("-"));
}

TEST(ProgramHelp, HostNamesEveryCommandAndOption) {
    const QString source = Read(ZMSG_HOST_SOURCE);
    const QStringList options = Captures(source, R"re(args\.get\("([a-z-]+)")re");
    const QStringList commands =
        Captures(source, R"re((?:cmd|args\.command) == QStringLiteral\("([a-z-]+)"\))re");
    ASSERT_GE(options.size(), 8) << "the option parsing changed shape: update this test";
    ASSERT_GE(commands.size(), 9) << "the command parsing changed shape: update this test";

    for (const QStringList& ask : {QStringList{QStringLiteral("--help")}, QStringList{QStringLiteral("-h")},
                                   QStringList{QStringLiteral("help")},
                                   QStringList{QStringLiteral("sms"), QStringLiteral("--help")}}) {
        const ProgramRun r = Start(ZMSG_HOST_PATH, ask);
        EXPECT_EQ(r.exitCode, 0) << ask.join(u' ').toStdString();
        EXPECT_TRUE(r.out.startsWith(QStringLiteral("usage: zmsg-host"))) << r.out.toStdString();
    }
    const ProgramRun help = Start(ZMSG_HOST_PATH, {QStringLiteral("--help")});
    const QString man = ManText(ZMSG_HOST_MAN);
    ASSERT_FALSE(man.isEmpty());
    for (const QString& o : options) {
        EXPECT_TRUE(help.out.contains(QStringLiteral("--") + o + u' ')) << "help lacks --" << o.toStdString();
        EXPECT_TRUE(man.contains(QStringLiteral("--") + o)) << "man page lacks --" << o.toStdString();
    }
    for (const QString& c : commands) {
        EXPECT_TRUE(help.out.contains(QStringLiteral("  ") + c + u' ')) << "help lacks " << c.toStdString();
        EXPECT_TRUE(man.contains(c)) << "man page lacks " << c.toStdString();
    }

    // Wrong use still ends with the short usage on stderr and status 2.
    const ProgramRun wrong = Start(ZMSG_HOST_PATH, {QStringLiteral("--db")});
    EXPECT_EQ(wrong.exitCode, 2);
    EXPECT_TRUE(wrong.err.startsWith(QStringLiteral("usage: zmsg-host"))) << wrong.err.toStdString();
    EXPECT_TRUE(wrong.out.isEmpty());
}

TEST(ProgramHelp, SimulatorNamesEveryOption) {
    const QStringList options = Captures(Read(ZMSG_SIM_SOURCE), R"re(strcmp\(argv\[i\], "(--[a-z-]+)"\))re");
    ASSERT_GE(options.size(), 3) << "the option parsing changed shape: update this test";

    const ProgramRun help = Start(ZMSG_SIM_PATH, {QStringLiteral("--help")});
    EXPECT_EQ(help.exitCode, 0);
    const QString man = ManText(ZMSG_SIM_MAN);
    ASSERT_FALSE(man.isEmpty());
    for (const QString& o : options) {
        EXPECT_TRUE(help.out.contains(QStringLiteral("  ") + o)) << "help lacks " << o.toStdString();
        EXPECT_TRUE(man.contains(o)) << "man page lacks " << o.toStdString();
    }

    const ProgramRun wrong = Start(ZMSG_SIM_PATH, {QStringLiteral("--prot"), QStringLiteral("0")});
    EXPECT_EQ(wrong.exitCode, 2);
    EXPECT_TRUE(wrong.err.startsWith(QStringLiteral("usage: zmsg-center-sim"))) << wrong.err.toStdString();
}

} // namespace
