#pragma once
// Monitor > Record History: while the window is connected, a recording pass on a timer of its own
// (never on the display's refresh) writes the connected database's history into its store in the
// user's data folder, as quillmere-recorder does. Recording is on by default where the monitoring
// tables are Firebird's MON$ tables, and off on TMP$ tables, whose every read makes the server
// gather them afresh; the choice for each is kept in the settings file ([History]).
//
// One writer per store: while another program (quillmere-recorder) holds the store's writer mark,
// the window records nothing, says so in the status bar, and tries again at its next interval;
// its history can still be read.

#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class QAction;
class SettingsFile;
class TdmQuillmere;
class TdmServerProperties;

namespace history {
class HistoryStore;
class RecordingPass;
}  // namespace history

class THistoryRecording : public QObject {
    Q_OBJECT
public:
    struct Parts {
        TdmServerProperties& server;
        TdmQuillmere& dm;
        QAction& recordHistory;
        std::function<void()> updateCommandStates;
    };
    explicit THistoryRecording(const Parts& parts);
    ~THistoryRecording() override;

    // The connection opened or closed: the store of the connected database is taken (or let go)
    // and the timer started (or stopped).
    void connectionChanged();
    // The command was chosen (the action has flipped its check already).
    void actRecordHistoryExecute();
    // One recording pass now (the timer's slot). Errors are reported once until a pass succeeds
    // again; a lost connection is the refresh's to report.
    void recordNow();

    // The status bar's text, and the longer text behind it; empty while not recording.
    QString statusText() const { return m_status; }
    QString statusHint() const { return m_hint; }
    // Whether the window writes the store now (it holds the writer mark).
    bool recording() const;
    // The store file of a database.
    static QString storeFileName(const QString& databaseName);
    // The pass of the last recording, for comparisons; nullptr before the first.
    const history::RecordingPass* pass() const { return m_pass.get(); }
    // The moment the last pass wrote; nothing before the first.
    std::optional<int64_t> lastMoment() const { return m_lastMoment; }

    // [History] RecordFirebird, RecordTables (1 or 0) and RecordInterval (seconds).
    void readOptions(const SettingsFile& settings);
    void writeOptions(SettingsFile& settings) const;
    int intervalSeconds() const { return m_intervalSeconds; }

    QTimer timer;

signals:
    // A pass wrote a moment.
    void recorded(qint64 moment);

private:
    void stop();
    bool wanted() const;
    bool claim();
    void setStatus(const QString& text, const QString& hint);

    Parts m_parts;
    std::unique_ptr<history::HistoryStore> m_store;
    std::unique_ptr<history::RecordingPass> m_pass;
    std::optional<int64_t> m_lastMoment;
    bool m_onTables = false;  // the connection's source is the TMP$ tables
    bool m_recordFirebird = true;
    bool m_recordTables = false;
    int m_intervalSeconds = 10;
    bool m_failing = false;   // a pass failed and was reported; quiet until one succeeds
    QString m_status, m_hint;
};
