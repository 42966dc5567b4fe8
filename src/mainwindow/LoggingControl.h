#pragma once
// The main window's logging commands: Setup Logging (the setup dialog, the check of the log tables
// in the progress dialog, the offers to create what is missing, the LoggingSetup section of the
// settings file), the Logging switch, and the log timer, which runs one logging pass per log
// interval while connected. The window owns it and gives it its commands and timers; both timers
// that read the database stay still while the setup's dialogs and boxes are open.

#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>

class QAction;
class QTimer;
class QWidget;
class TdmPerformanceLog;
class TdmQuillmere;
class TdmServerProperties;

class TLoggingControl : public QObject {
    Q_OBJECT
public:
    struct Parts {
        QWidget& window;  // the dialogs' parent
        TdmServerProperties& server;
        TdmQuillmere& dm;
        QTimer& refreshTimer;
        QAction& paused;
        QTimer& logTimer;
        QAction& setupLogging;
        QAction& loggingEnabled;
        std::function<void()> updateCommandStates;
    };
    explicit TLoggingControl(const Parts& parts);
    ~TLoggingControl() override;

    void actSetupLoggingExecute();
    void actLoggingEnabledExecute();
    void TimerLogTimer();
    void EnsureLogModule();
    // false: the setup command ends silently.
    bool VerifyLogObjects();
    bool AskCreateTables(const QStringList& missingTables);
    bool AskCreateGenerator();
    void StartLogging();
    void UpdateLogTimer();
    // The log interval in milliseconds (unsigned 32 bits; longer than a QTimer's signed range, so
    // the log timer counts it in steps).
    quint32 LogInterval() const { return m_logInterval; }
    void SetLogInterval(quint32 milliseconds);
    // The log module: nullptr until the first run of the setup command.
    TdmPerformanceLog* dmPerformanceLog() const { return m_dmPerformanceLog.get(); }
    // Whether logging is set up and may be switched on.
    bool ready() const;

private:
    Parts m_parts;
    QTimer& TimerLog;
    QAction& actLoggingEnabled;
    std::unique_ptr<TdmPerformanceLog> m_dmPerformanceLog;
    quint32 m_logInterval = 600000;
    quint32 m_logIntervalLeft = 0;  // what is left of the log interval after the running step
};
