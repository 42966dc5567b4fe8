// Error reporting offscreen: the application's dispatch (events, guarded slots, the silent
// abort), the multi-exception handler with its error list, the message box seam, and the memory
// chart frame's history values and bar colours.

#include "app/QuillmereApplication.h"
#include "common/Exception.h"
#include "common/Messages.h"
#include "dialogs/ErrorListDlg.h"
#include "dialogs/MultiExceptionHandler.h"
#include "dialogs/Prompts.h"
#include "mainwindow/MemoryChartFrame.h"
#include "mainwindow/charts/MemoryCharts.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "support/ModalAnswer.h"

#include <functional>

namespace {


// An object whose event handling raises what it is given.
class Raiser : public QObject {
public:
    std::function<void()> raise;
    bool event(QEvent* e) override
    {
        if (e->type() == QEvent::User && raise)
            raise();
        return QObject::event(e);
    }
};

void sendUserEvent(QObject* to)
{
    QEvent e(QEvent::User);
    QCoreApplication::sendEvent(to, &e);
}

// The handler installed as the main window installs it.
struct InstalledHandler {
    TMultiExceptionHandler handler;
    InstalledHandler()
    {
        QuillmereApplication::setErrorHandler([this](const Exception& e) { handler.HandleApplicationException(nullptr, e); });
    }
    ~InstalledHandler() { QuillmereApplication::setErrorHandler({}); }
};

}  // namespace

class TestErrorReporting : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    // One error: a window captioned with the application's title, the message followed by an
    // empty line, no count, one beep; closed, it is gone and forgotten.
    void oneErrorOneWindow()
    {
        ScriptedPrompts prompts;
        InstalledHandler installed;
        QString caption, text, count;
        Qt::WindowFlags flags;
        QSize size;
        int buttonLeft = -1, stripWidth = -1;
        ModalAnswer<TfrmErrorList> answer([&](TfrmErrorList* list) {
            caption = list->windowTitle();
            text = list->memErrorText->toPlainText();
            count = list->lblErrorCount->text();
            flags = list->windowFlags();
            size = list->size();
            buttonLeft = list->btnOK->x();
            stripWidth = list->pnlBottom->width();
            QVERIFY(list->btnOK->isDefault());
            QVERIFY(list->memErrorText->isReadOnly());
            QCOMPARE(list->pnlBottom->height(), 54);
            QCOMPARE(list->memErrorText->geometry(), QRect(10, 10, 429, 93));
            QTest::keyClick(list, Qt::Key_Return);  // OK is the default button
        });
        QuillmereApplication::runGuarded([] { throw Exception("first line\nsecond line"); });
        QCOMPARE(answer.answered(), 1);
        QCOMPARE(caption, QStringLiteral("Quillmere"));
        QCOMPARE(text, QStringLiteral("first line\nsecond line\n"));
        QVERIFY(count.isEmpty());
        QCOMPARE(size, QSize(449, 157));
        QCOMPARE(buttonLeft, stripWidth / 2 - 75 / 2);
        QVERIFY(!(flags & Qt::WindowMinimizeButtonHint) && !(flags & Qt::WindowMaximizeButtonHint));
        QVERIFY(flags & Qt::WindowCloseButtonHint);
        QCOMPARE(prompts.count(ScriptedPrompts::Kind::ExclamationBeep), 1);
        QVERIFY(installed.handler.ErrorList() == nullptr);
        QVERIFY(QApplication::topLevelWidgets().isEmpty() ||
                std::none_of(QApplication::topLevelWidgets().cbegin(), QApplication::topLevelWidgets().cend(),
                             [](QWidget* w) { return qobject_cast<TfrmErrorList*>(w); }));
    }

    // Errors raised from the open list's modal loop are added to it with a running count; the
    // next error after it has closed opens a fresh window. The button stays centred.
    void errorsWhileTheListIsOpenAreAdded()
    {
        ScriptedPrompts prompts;
        InstalledHandler installed;
        Raiser raiser;
        raiser.raise = [] { throw Exception("again"); };
        QStringList counts;
        TfrmErrorList* seen = nullptr;
        ModalAnswer<TfrmErrorList> first([&](TfrmErrorList* list) {
            seen = list;
            sendUserEvent(&raiser);  // through the application's event dispatch
            counts << list->lblErrorCount->text();
            QuillmereApplication::runGuarded([] { throw Exception("and again"); });
            counts << list->lblErrorCount->text();
            QCOMPARE(QApplication::activeModalWidget(), list);
            QCOMPARE(list->MessageCount(), 3);
            list->resize(600, 200);
            QCOMPARE(list->btnOK->x(), 600 / 2 - 75 / 2);
            QCOMPARE(list->memErrorText->toPlainText(), QStringLiteral("first\n\nagain\n\nand again\n"));
            list->close();  // the close box ends it as OK does
        });
        QuillmereApplication::runGuarded([] { throw Exception("first"); });
        QCOMPARE(first.answered(), 1);
        QCOMPARE(counts, QStringList({QStringLiteral("Messages: 2"), QStringLiteral("Messages: 3")}));
        QCOMPARE(prompts.count(ScriptedPrompts::Kind::ExclamationBeep), 3);
        QVERIFY(installed.handler.ErrorList() == nullptr);

        int count = -1;
        bool fresh = false;
        ModalAnswer<TfrmErrorList> second([&](TfrmErrorList* list) {
            fresh = list->lblErrorCount->text().isEmpty();
            count = list->MessageCount();
            list->btnOK->click();
        });
        sendUserEvent(&raiser);
        QCOMPARE(second.answered(), 1);
        QVERIFY(fresh);
        QCOMPARE(count, 1);
        QVERIFY(seen != nullptr);
    }

    // The silent abort shows nothing and sounds nothing, from a guarded slot and from an event.
    // Other errors from either path reach the handler with their message only.
    void theSilentAbortIsDropped()
    {
        ScriptedPrompts prompts;
        QStringList messages;
        QuillmereApplication::setErrorHandler([&](const Exception& e) { messages << e.message(); });
        Raiser raiser;
        raiser.raise = [] { throw EAbort(); };
        sendUserEvent(&raiser);
        QuillmereApplication::runGuarded([] { throw EAbort(); });
        QTimer timer;
        QObject::connect(&timer, &QTimer::timeout, &timer, guarded([] { throw EAbort(); }));
        timer.start(0);
        QTimerEvent tick(timer.timerId());
        QCoreApplication::sendEvent(&timer, &tick);
        QVERIFY(messages.isEmpty());
        QVERIFY(prompts.requests.empty());

        raiser.raise = [] { throw std::runtime_error("from the library"); };
        sendUserEvent(&raiser);
        QObject::disconnect(&timer, nullptr, nullptr, nullptr);
        QObject::connect(&timer, &QTimer::timeout, &timer, guarded([] { throw EInvalidEntry("not valid"); }));
        QCoreApplication::sendEvent(&timer, &tick);
        QuillmereApplication::setErrorHandler({});
        QCOMPARE(messages, QStringList({QStringLiteral("from the library"), QStringLiteral("not valid")}));
    }

    // The Qt message boxes carry exactly the caption, icon, buttons and default button asked for;
    // with Cancel as the default, Enter alone never confirms.
    void messageBoxesAreExact()
    {
        QtPrompts qt;
        Prompts::Confirmation c{QStringLiteral("Confirm"), QStringLiteral("Are you sure?"), QMessageBox::Warning,
                                QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Cancel};
        QString title;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QMessageBox::StandardButtons buttons;
        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
        ModalAnswer<QMessageBox> enter([&](QMessageBox* box) {
            title = box->windowTitle();
            icon = box->icon();
            buttons = box->standardButtons();
            defaultButton = box->standardButton(box->defaultButton());
            QTest::keyClick(box, Qt::Key_Return);
        });
        QCOMPARE(qt.confirm(c), QMessageBox::Cancel);
        QCOMPARE(enter.answered(), 1);
        QCOMPARE(title, QStringLiteral("Confirm"));
        QCOMPARE(icon, QMessageBox::Warning);
        QCOMPARE(buttons, QMessageBox::Ok | QMessageBox::Cancel);
        QCOMPARE(defaultButton, QMessageBox::Cancel);

        ModalAnswer<QMessageBox> ok([](QMessageBox* box) { box->button(QMessageBox::Ok)->click(); });
        QCOMPARE(qt.confirm(c), QMessageBox::Ok);
        ModalAnswer<QMessageBox> escape([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); });
        c.defaultButton = QMessageBox::Ok;
        QCOMPARE(qt.confirm(c), QMessageBox::Cancel);

        ModalAnswer<QMessageBox> info([&](QMessageBox* box) {
            title = box->windowTitle();
            icon = box->icon();
            buttons = box->standardButtons();
            box->button(QMessageBox::Ok)->click();
        });
        qt.information(QStringLiteral("Operation failed."));
        QCOMPARE(info.answered(), 1);
        QCOMPARE(title, QStringLiteral("Quillmere"));
        QCOMPARE(icon, QMessageBox::NoIcon);
        QCOMPARE(buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    }

    // A scripted seam records the requests and answers in order, then with the default button;
    // it gives the seam back when it goes.
    void scriptedPromptsAnswerInOrder()
    {
        Prompts* before = &Prompts::current();
        {
            ScriptedPrompts prompts;
            QCOMPARE(&Prompts::current(), static_cast<Prompts*>(&prompts));
            prompts.answers = {QMessageBox::Ok};
            Prompts::Confirmation c{QStringLiteral("Confirm"), QStringLiteral("t"), QMessageBox::Warning,
                                    QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Cancel};
            QCOMPARE(Prompts::current().confirm(c), QMessageBox::Ok);
            QCOMPARE(Prompts::current().confirm(c), QMessageBox::Cancel);
            Prompts::current().beep();
            Prompts::current().information(QStringLiteral("i"));
            QCOMPARE(prompts.requests.size(), size_t(4));
            QCOMPARE(prompts.requests[0].confirmation.caption, QStringLiteral("Confirm"));
            QCOMPARE(prompts.count(ScriptedPrompts::Kind::Beep), 1);
            QCOMPARE(prompts.requests[3].confirmation.text, QStringLiteral("i"));
        }
        QCOMPARE(&Prompts::current(), before);
    }

    // The history keeps exactly 30 values in megabytes, newest first, zeros where none came yet;
    // a clear starts it afresh. The pie's labels are cut to 27 characters.
    void memoryHistoryValues()
    {
        TfrmMemoryDisplayChart frame;
        QVERIFY(frame.history().empty());
        frame.UpdateCharts({{QStringLiteral("CCH: Cache mgr/page buffers"), 1073741824 - 5000},
                            {QStringLiteral("REQ: a pool type text longer than 27"), 5000}});
        QCOMPARE(frame.history().size(), size_t(30));
        QCOMPARE(frame.history()[0], 1024.0);
        QCOMPARE(frame.history()[1], 0.0);
        QCOMPARE(frame.slices()[0].first, QStringLiteral("CCH: Cache mgr/page buffers"));
        QCOMPARE(frame.slices()[1].first, QStringLiteral("REQ: a pool type text longe"));
        QCOMPARE(frame.slices()[1].first.size(), 27);
        QCOMPARE(frame.slices()[1].second, 5000 / 1024.0);

        for (int i = 1; i <= 30; ++i)
            frame.UpdateCharts({{QStringLiteral("REQ"), qint64(i) * 1048576}});
        QCOMPARE(frame.history().size(), size_t(30));
        QCOMPARE(frame.history()[0], 30.0);
        QCOMPARE(frame.history()[29], 1.0);  // 1024 of the first update has dropped out

        frame.UpdateCharts({});  // an empty pools snapshot: an empty pie and a bar of 0
        QCOMPARE(frame.history()[0], 0.0);
        QVERIFY(frame.slices().empty());

        frame.ClearCharts();
        QVERIFY(frame.history().empty());
        frame.UpdateCharts({{QStringLiteral("REQ"), 2 * 1048576}});
        QCOMPARE(frame.history()[0], 2.0);
        QCOMPARE(std::count(frame.history().begin(), frame.history().end(), 0.0), 29);
    }

    // Bar 0 is yellow; bar k lies k/30 of the way to the target (the background's blue, green and
    // red as red, green and blue), each channel rounded; the oldest bar is close to the target.
    void memoryHistoryColours()
    {
        TfrmMemoryDisplayChart frame;
        frame.setHistoryBackground(QColor(10, 100, 200));
        QCOMPARE(TfrmMemoryDisplayChart::targetColor(frame.historyBackground()), QColor(200, 100, 10));
        frame.UpdateCharts({{QStringLiteral("REQ"), 1048576}});
        const std::vector<QColor>& colours = frame.barColors();
        QCOMPARE(colours.size(), size_t(30));
        QCOMPARE(colours[0], QColor(255, 255, 0));
        QCOMPARE(colours[1], QColor(253, 250, 0));      // 253.17, 249.83, 0.33
        QCOMPARE(colours[15], QColor(228, 178, 5));     // 227.5 and 177.5: halves go up
        QCOMPARE(colours[29], QColor(202, 105, 10));    // 201.83, 105.17, 9.67
        QVERIFY(colours[29] != QColor(200, 100, 10));

        // on a grey background the bars fade toward the background itself
        const QColor grey(240, 240, 240);
        QCOMPARE(TfrmMemoryDisplayChart::targetColor(grey), grey);
        QCOMPARE(TfrmMemoryDisplayChart::barColor(29, grey), QColor(241, 241, 232));  // 240.5, 240.5, 232
    }

    // Kilobytes as "#,##0.### KB" in the user's locale, thousands separated also in the C locale.
    void kilobytesText()
    {
        QLocale::setDefault(QLocale::c());
        QCOMPARE(TMemoryCharts::kilobytesText(5000), QStringLiteral("4.883 KB"));
        QCOMPARE(TMemoryCharts::kilobytesText(2048 * 1024), QStringLiteral("2,048 KB"));
        QCOMPARE(TMemoryCharts::kilobytesText(512), QStringLiteral("0.5 KB"));
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QCOMPARE(TMemoryCharts::kilobytesText(5000), QStringLiteral("4,883 KB"));
        QCOMPARE(TMemoryCharts::kilobytesText(1234567), QStringLiteral("1.205,632 KB"));
    }
};

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QuillmereApplication app(argc, argv);
    QuillmereApplication::setApplicationName(QString::fromUtf8(msg::ApplicationTitle));
    TestErrorReporting test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_error_reporting.moc"
