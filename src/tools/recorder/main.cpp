// quillmere-recorder: records one database's monitoring tables into Quillmere's history store
// without a window, and serves them to Prometheus when asked (see RecorderMessages.h).

#include "Recorder.h"
#include "RecorderMessages.h"
#include "RecorderOptions.h"
#include "StopSignals.h"

#include <QString>
#include <QStringList>

#include <clocale>
#include <cstdio>

namespace {
enum ExitCode { WrongArguments = 2 };

void print(std::FILE* to, const QString& line)
{
    std::fputs(line.toUtf8().constData(), to);
    std::fputc('\n', to);
}
}  // namespace

int main(int argc, char** argv)
{
    // before any thread exists: every thread inherits the blocked stop signals
    StopSignals::block();
    // the client library converts file names from the locale's character set
    std::setlocale(LC_ALL, "");
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    RecorderOptions options;
    try {
        options = RecorderOptions::parse(args, qEnvironmentVariable("ISC_USER"), qEnvironmentVariable("ISC_PASSWORD"));
    } catch (const EUsage& e) {
        print(stderr, QString::fromUtf8(recordermsg::Failed).arg(e.message()));
        print(stderr, QString::fromUtf8(recordermsg::UsageHint));
        return WrongArguments;
    }
    if (options.help) {
        std::fputs(recordermsg::Help, stdout);
        return 0;
    }
    if (options.version) {
        print(stdout, QString::fromUtf8(recordermsg::Version).arg(QStringLiteral(QUILLMERE_VERSION)));
        return 0;
    }
    Recorder recorder(options);
    return recorder.run();
}
