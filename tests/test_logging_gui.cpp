// The progress dialog and the logging setup dialog, offscreen. What reaches the application's
// error reporting is caught by a test handler.

#include "app/QuillmereApplication.h"
#include "common/Exception.h"
#include "common/Messages.h"
#include "dialogs/ProgressDlg.h"
#include "logging/SetupLoggingDlg.h"
#include "support/CutCaptions.h"
#include "support/LogTestFixture.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>

namespace {

// Runs check on a short timer, while a modal loop runs, until it returns true.
void whileOpen(std::function<bool()> check)
{
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, timer, [timer, check] {
        if (check()) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start(5);
}

void setInterval(TfrmLoggingSetup& dlg, int days, int hours, int minutes, int seconds)
{
    dlg.edtDays->setValue(days);
    dlg.edtHours->setValue(hours);
    dlg.edtMinutes->setValue(minutes);
    dlg.edtSeconds->setValue(seconds);
}

QList<int> boxes(const TfrmLoggingSetup& dlg)
{
    return {dlg.edtDays->value(), dlg.edtHours->value(), dlg.edtMinutes->value(), dlg.edtSeconds->value()};
}

const QString kNamesMessage = QString::fromUtf8(msg::LoggingNamesMissing);
const QString kIntervalMessage = QString::fromUtf8(msg::LoggingIntervalZero);
const QString kTooLongMessage = QString::fromUtf8(msg::LoggingIntervalTooLong);

}  // namespace

class TestLoggingGui : public QObject {
    Q_OBJECT
    QStringList reported;

private slots:
    void init()
    {
        reported.clear();
        QuillmereApplication::setErrorHandler([this](const Exception& e) { reported << e.message(); });
    }
    void cleanup() { QuillmereApplication::setErrorHandler({}); }

    // The check of three log tables moves the bar a third at a time, then the dialog ends OK.
    void progressOfAThreeTableCheck()
    {
        TestDatabase db;
        LogModule m(db);
        for (TLogItem item : {TLogItem::Database, TLogItem::Statements, TLogItem::Transactions})
            m.log.SetItemEnabled(item, true);
        TdlgProgress dlg;
        QList<QList<int>> bar;
        QStringList missing, incorrect;
        const TProgressCallback callback = dlg.progressCallback();
        dlg.OnExecute = [&] {
            m.log.VerifyTables(missing, incorrect, [&](QObject* sender, int max, int position) {
                callback(sender, max, position);
                bar << QList<int>{dlg.ProgressBar.value(), dlg.ProgressBar.maximum(), dlg.isVisible()};
            });
        };
        QCOMPARE(dlg.exec(), int(QDialog::Accepted));
        QCOMPARE(bar, (QList<QList<int>>{{0, 3, 1}, {1, 3, 1}, {2, 3, 1}, {3, 3, 1}}));
        QCOMPARE(missing.size(), 3);
        QVERIFY(reported.isEmpty());
    }

    void abortDuringTheWorkEndsWithOK()
    {
        TdlgProgress dlg;
        QSignalSpy pressed(&dlg.btnAbort, &QPushButton::clicked);
        bool openAfterAbort = false, finished = false;
        dlg.OnExecute = [&] {
            QMetaObject::invokeMethod(&dlg.btnAbort, &QPushButton::click, Qt::QueuedConnection);
            dlg.SetProgress(nullptr, 2, 1);
            openAfterAbort = dlg.isVisible();
            dlg.SetProgress(nullptr, 2, 2);
            finished = true;
        };
        QCOMPARE(dlg.exec(), int(QDialog::Accepted));
        QCOMPARE(pressed.count(), 1);
        QVERIFY(openAfterAbort && finished);
    }

    void failedWorkIsReportedAndWaitsForAbort()
    {
        TdlgProgress dlg;
        int runs = 0;
        bool openAfterReport = false;
        dlg.OnExecute = [&] {
            ++runs;
            dlg.SetProgress(nullptr, 4, 1);
            throw Exception(QStringLiteral("the check failed"));
        };
        whileOpen([&] {
            if (reported.isEmpty())
                return false;
            openAfterReport = dlg.isVisible() && dlg.ProgressBar.value() == 1 && !dlg.TimerStartup.isActive();
            dlg.btnAbort.click();
            return true;
        });
        QCOMPARE(dlg.exec(), int(QDialog::Rejected));
        QCOMPARE(reported, QStringList{"the check failed"});
        QVERIFY(openAfterReport);
        QCOMPARE(runs, 1);
    }

    void withoutWorkTheDialogWaitsForAbort()
    {
        TdlgProgress dlg;
        bool waited = false;
        whileOpen([&] {
            // shown, and the start-up timer has had its one tick
            if (!dlg.isVisible() || dlg.TimerStartup.isActive())
                return false;
            waited = true;
            dlg.btnAbort.click();
            return true;
        });
        QCOMPARE(dlg.exec(), int(QDialog::Rejected));
        QVERIFY(waited);
    }

    void abortBeforeTheWorkStarts()
    {
        TdlgProgress dlg;
        // nothing in the title bar closes it
        QVERIFY(!(dlg.windowFlags() & (Qt::WindowCloseButtonHint | Qt::WindowSystemMenuHint)));
        bool ran = false;
        dlg.OnExecute = [&] { ran = true; };
        QTimer::singleShot(0, &dlg.btnAbort, &QPushButton::click);
        QCOMPARE(dlg.exec(), int(QDialog::Rejected));
        QVERIFY(!ran);
    }

    // The tab order, and every caption shown whole ("seconds" was cut).
    void setupTabOrderAndCaptions()
    {
        TfrmLoggingSetup dlg;
        for (TLogItem item : AllLogItems)
            dlg.SetItemEnabled(item, true);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowActive(&dlg));
        QCOMPARE(cutCaptions(dlg), QStringList());
        dlg.chkDatabaseEnabled->setFocus();
        QStringList order{QApplication::focusWidget()->objectName()};
        for (int i = 0; i < 22; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QWidget* w = QApplication::focusWidget();
            while (w->objectName().isEmpty())  // the text part of a spin box
                w = w->parentWidget();
            order << w->objectName();
        }
        QCOMPARE(order, (QStringList{"chkDatabaseEnabled",     "edtDatabaseTable",      "chkPoolsEnabled",
                                     "edtPoolsTable",          "chkPoolsSummarized",    "chkProceduresEnabled",
                                     "edtProceduresTable",     "chkStatementsEnabled",  "edtStatementsTable",
                                     "chkRelationsEnabled",    "edtRelationsTable",     "chkTransactionsEnabled",
                                     "edtTransactionsTable",   "chkAttachmentsEnabled", "edtAttachmentsTable",
                                     "edtGeneratorName",       "edtDays",               "edtHours",
                                     "edtMinutes",             "edtSeconds",            "btnOK",
                                     "btnCancel",              "btnHelp"}));
    }

    void fillingEnablesTheItemBoxes()
    {
        TfrmLoggingSetup dlg;
        for (TLogItem item : AllLogItems) {
            dlg.SetItemEnabled(item, true);
            const QList<QLineEdit*> tables{dlg.edtAttachmentsTable, dlg.edtDatabaseTable,  dlg.edtPoolsTable,
                                           dlg.edtProceduresTable,  dlg.edtRelationsTable, dlg.edtStatementsTable,
                                           dlg.edtTransactionsTable};
            for (int i = 0; i < tables.size(); ++i)
                QCOMPARE(tables[i]->isEnabled(), AllLogItems[static_cast<size_t>(i)] == item);
            QCOMPARE(dlg.chkPoolsSummarized->isEnabled(), item == TLogItem::Pools);
            QVERIFY(dlg.edtGeneratorName->isEnabled() && dlg.edtDays->isEnabled() && dlg.edtSeconds->isEnabled());
            dlg.SetItemEnabled(item, false);
        }
        QVERIFY(!dlg.edtPoolsTable->isEnabled() && !dlg.chkPoolsSummarized->isEnabled());
    }

    void intervalThroughTheFourBoxes()
    {
        TfrmLoggingSetup dlg;
        setInterval(dlg, 1, 2, 3, 4);
        QCOMPARE(dlg.LogInterval(), 93784000u);
        dlg.SetLogInterval(0);
        dlg.SetLogInterval(93784000);
        QCOMPARE(boxes(dlg), (QList<int>{1, 2, 3, 4}));
        dlg.SetLogInterval(1500);
        QCOMPARE(boxes(dlg), (QList<int>{0, 0, 0, 1}));
        QCOMPARE(dlg.LogInterval(), 1000u);
        dlg.SetLogInterval(600000);
        QCOMPARE(boxes(dlg), (QList<int>{0, 0, 10, 0}));
        dlg.SetLogInterval(UINT32_MAX);
        QCOMPARE(boxes(dlg), (QList<int>{49, 17, 2, 47}));
    }

    // OK checks the entries; Cancel, Esc and the close box drop them and always close.
    void okChecksTheEntriesAndCancelAlwaysCloses()
    {
        TfrmLoggingSetup dlg;
        dlg.show();
        dlg.SetItemEnabled(TLogItem::Statements, true);
        dlg.SetItemLogTableName(TLogItem::Statements, QStringLiteral("  "));
        dlg.btnOK->click();
        QCOMPARE(reported, QStringList{kNamesMessage});
        QVERIFY(dlg.isVisible());
        QCOMPARE(dlg.ItemLogTableName(TLogItem::Statements), QStringLiteral("  "));
        setInterval(dlg, 50, 0, 0, 0);  // beyond the timer, too
        dlg.btnCancel->click();
        QVERIFY(!dlg.isVisible());
        QCOMPARE(dlg.result(), int(QDialog::Rejected));
        dlg.show();
        QTest::keyClick(&dlg, Qt::Key_Escape);
        QVERIFY(!dlg.isVisible());
        dlg.show();
        QVERIFY(dlg.close());
        QCOMPARE(reported.size(), 1);
        // with every item off nothing else is checked, not even an interval of 0
        dlg.show();
        setInterval(dlg, 0, 0, 0, 0);
        dlg.SetItemEnabled(TLogItem::Statements, false);
        dlg.btnOK->click();
        QVERIFY(!dlg.isVisible());
        QCOMPARE(dlg.result(), int(QDialog::Accepted));

        reported.clear();
        dlg.show();
        dlg.SetItemEnabled(TLogItem::Statements, true);
        dlg.SetItemLogTableName(TLogItem::Statements, QStringLiteral("LOG$S"));
        dlg.SetGeneratorName(QString());
        dlg.btnOK->click();
        dlg.SetGeneratorName(QStringLiteral(" "));  // blanks pass here
        dlg.btnOK->click();
        QCOMPARE(reported, (QStringList{kNamesMessage, kIntervalMessage}));
        setInterval(dlg, 0, 0, 10, 0);
        dlg.btnOK->click();
        QVERIFY(!dlg.isVisible());
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(dlg.LogInterval(), 600000u);
    }

    // The longest interval the 32-bit timer counts is 4294967295 ms.
    void intervalsBeyondTheTimerAreRefused()
    {
        TfrmLoggingSetup dlg;
        dlg.show();
        setInterval(dlg, 50, 0, 0, 0);
        dlg.btnOK->click();  // even with every item off: the interval would wrap around
        dlg.SetItemEnabled(TLogItem::Database, true);
        dlg.btnOK->click();
        setInterval(dlg, 49, 17, 2, 48);
        dlg.btnOK->click();
        QCOMPARE(reported, QStringList(3, kTooLongMessage));
        QVERIFY(dlg.isVisible());
        setInterval(dlg, 49, 17, 2, 47);
        dlg.btnOK->click();
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(dlg.LogInterval(), 4294967000u);
    }
};

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QuillmereApplication app(argc, argv);
    TestLoggingGui test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_logging_gui.moc"
