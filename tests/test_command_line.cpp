// Every installed program's command line, run as a program: --help and --version answer with exit
// status 0 (quillmere without a display, so nothing of the window may exist before they are
// answered); a wrong argument gives the usage and exit status 2.

#include "common/Messages.h"

#include <QProcess>
#include <QtTest>

namespace {

struct Run {
    int exitCode = -1;
    QString out;
    QString err;
};

// Runs the program with no display at all.
Run run(const QString& program, const QStringList& args)
{
    QProcess p;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QLatin1String(name));
    p.setProcessEnvironment(environment);
    p.start(program, args);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit)
        return {};
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}

}  // namespace

class TestCommandLine : public QObject {
    Q_OBJECT

private slots:
    void answers_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("start");  // of standard output, or of standard error for exit status 2
        const QString gui = QStringLiteral(QUILLMERE_PROGRAM);
        const QString version = QStringLiteral(" " QUILLMERE_VERSION "\nCopyright (C) ");
        for (const QString& program : {gui, QStringLiteral(QUILLMERE_SCHEMA_PROGRAM), QStringLiteral(QUILLMERE_WORKLOAD_PROGRAM)}) {
            const QString name = QFileInfo(program).fileName();
            const QByteArray row = name.toUtf8();
            QTest::newRow(row + " --help") << program << QStringList{"--help"} << 0 << QStringLiteral("Usage: ") + name + " ";
            QTest::newRow(row + " --version") << program << QStringList{"--version"} << 0 << name + version;
            QTest::newRow(row + " wrong option") << program << QStringList{"--no-such-option"} << 2
                                                 << name + ": " + QString::fromUtf8(msg::CommandLineUnknownOption).arg("--no-such-option")
                                                        + "\nUsage: " + name + " ";
        }
        QTest::newRow("quillmere: Qt's own options pass") << gui << QStringList{"-style", "Fusion", "--version"} << 0 << "quillmere" + version;
        QTest::newRow("quillmere: one database") << gui << QStringList{"a.fdb", "b.fdb"} << 2
                                                 << "quillmere: " + QString::fromUtf8(msg::CommandLineTooManyArguments).arg("b.fdb");
    }
    void answers()
    {
        QFETCH(QString, program);
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, start);
        const Run r = run(program, args);
        QCOMPARE(r.exitCode, exitCode);
        const QString shown = exitCode == 2 ? r.err : r.out;
        QVERIFY2(shown.startsWith(start), qPrintable(shown));
        if (exitCode == 2)
            QVERIFY2(shown.endsWith(QString::fromUtf8(msg::CommandLineHelpHint).arg(QFileInfo(program).fileName()) + "\n"),
                     qPrintable(shown));
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "test_command_line.moc"
