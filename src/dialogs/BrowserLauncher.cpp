#include "dialogs/BrowserLauncher.h"

#include "common/Exception.h"
#include "common/Messages.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryFile>

namespace {

QString T(const char* text) { return QString::fromUtf8(text); }

QString shown(const QUrl& url) { return url.isLocalFile() ? QDir::toNativeSeparators(url.toLocalFile()) : url.toString(); }

#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
// One run of xdg-open. It may run as long as the browser it starts (when no desktop hands the
// address on), so its output goes to a file rather than a pipe that the browser could fill or
// lose; the run belongs to the application, and its file goes when it ends.
class OpenerRun : public QObject {
public:
    OpenerRun(const QUrl& url, ErrorReport report) : QObject(QCoreApplication::instance()), m_url(url), m_report(std::move(report))
    {
        QTemporaryFile messages(QDir::temp().filePath(QStringLiteral("quillmere-xdg-open-XXXXXX")));
        messages.setAutoRemove(false);
        if (messages.open())
            m_messages = messages.fileName();
        m_process.setStandardOutputFile(QProcess::nullDevice());
        m_process.setStandardErrorFile(m_messages.isEmpty() ? QProcess::nullDevice() : m_messages);
        connect(&m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
            if (error == QProcess::FailedToStart)
                fail(T(msg::BrowserNoOpener).arg(shown(m_url)));
        });
        connect(&m_process, &QProcess::finished, this, [this](int exitCode, QProcess::ExitStatus status) {
            if (status == QProcess::NormalExit && exitCode == 0) {
                deleteLater();
                return;
            }
            QString reason = openerMessage();
            if (reason.isEmpty())
                reason = T(msg::BrowserOpenerStatus).arg(exitCode);
            fail(T(msg::BrowserFailed).arg(shown(m_url), reason));
        });
        m_process.start(QStringLiteral("xdg-open"),
                        {m_url.isLocalFile() ? m_url.toLocalFile() : m_url.toString(QUrl::FullyEncoded)});
    }
    ~OpenerRun() override
    {
        if (!m_messages.isEmpty())
            QFile::remove(m_messages);
    }

private:
    QString openerMessage() const
    {
        QFile file(m_messages);
        if (m_messages.isEmpty() || !file.open(QIODevice::ReadOnly))
            return QString();
        // its last line says why; the lines before name what it tried
        const qint64 keep = 2000;
        if (file.size() > keep)
            file.seek(file.size() - keep);
        const QStringList lines = QString::fromLocal8Bit(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        return lines.isEmpty() ? QString() : lines.last().simplified();
    }
    void fail(const QString& text)
    {
        deleteLater();
        if (m_report)
            m_report(Exception(text));
    }

    QUrl m_url;
    ErrorReport m_report;
    QString m_messages;
    QProcess m_process;
};
#endif

}  // namespace

void openInBrowser(const QUrl& url, const ErrorReport& report)
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    new OpenerRun(url, report);
#else
    if (!QDesktopServices::openUrl(url) && report)
        report(Exception(T(msg::BrowserFailed).arg(shown(url), QString())));
#endif
}
