// The statistics options dialog: its items and their options values, the default and cancel
// buttons, and its fixed frame.

#include "connection/IBStatisticsOptionsDlg.h"

#include <QApplication>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

class TestStatisticsOptionsDlg : public QObject {
    Q_OBJECT

    static QList<QRadioButton*> items(TdlgIBStatisticsOptions& dlg)
    {
        return dlg.rgrpStatisticsOptions->findChildren<QRadioButton*>();
    }

    // Shows the dialog modally, presses `key` in it once it is up, and returns its result.
    static int execPressing(TdlgIBStatisticsOptions& dlg, Qt::Key key)
    {
        QTimer::singleShot(0, &dlg, [&dlg, key] {
            QCOMPARE(QApplication::activeModalWidget(), &dlg);
            QTest::keyClick(&dlg, key);
        });
        return dlg.exec();
    }

private slots:
    void itemsAndTheirOptionsValues()
    {
        TdlgIBStatisticsOptions dlg;
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Database Statistics"));
        QCOMPARE(dlg.rgrpStatisticsOptions->title(), QStringLiteral("Options"));
        const QList<QRadioButton*> buttons = items(dlg);
        const QStringList texts = {QStringLiteral("Header only"), QStringLiteral("Header && log"),
                                   QStringLiteral("Header, log, && index pages"),
                                   QStringLiteral("Header, log, index && data pages"),
                                   QStringLiteral("Header, log, index && data pages, including system tables")};
        const QList<int> values = {0x04, 0x02, 0x08, 0x01, 0x10};
        QCOMPARE(buttons.size(), texts.size());
        // the first item is selected when the dialog opens
        QVERIFY(buttons[0]->isChecked());
        QCOMPARE(dlg.ItemIndex(), 0);
        QCOMPARE(int(dlg.GetStatisticsOptions()), 0x04);
        for (int i = 0; i < buttons.size(); ++i) {
            QCOMPARE(buttons[i]->text(), texts[i]);
            // "&&" is a literal ampersand, never a mnemonic
            QVERIFY(QKeySequence::mnemonic(buttons[i]->text()).isEmpty());
            buttons[i]->click();
            QCOMPARE(dlg.ItemIndex(), i);
            QCOMPARE(int(dlg.GetStatisticsOptions()), values[i]);
            for (int j = 0; j < buttons.size(); ++j)
                QCOMPARE(buttons[j]->isChecked(), i == j);
        }
        dlg.SetItemIndex(-1);
        QCOMPARE(dlg.ItemIndex(), -1);
        QCOMPARE(int(dlg.GetStatisticsOptions()), 0);
        for (QRadioButton* b : buttons)
            QVERIFY(!b->isChecked());
        // and the group is exclusive again afterwards
        dlg.SetItemIndex(1);
        buttons[4]->click();
        QVERIFY(!buttons[1]->isChecked());
        QCOMPARE(int(dlg.GetStatisticsOptions()), 0x10);
    }

    void okIsTheDefaultAndEscapeCancels()
    {
        {
            TdlgIBStatisticsOptions dlg;
            QVERIFY(dlg.btnOK->isDefault());
            QVERIFY(!dlg.btnCancel->isDefault());
            QCOMPARE(dlg.btnOK->text(), QStringLiteral("OK"));
            QCOMPARE(dlg.btnCancel->text(), QStringLiteral("Cancel"));
            items(dlg)[3]->click();
            QCOMPARE(execPressing(dlg, Qt::Key_Return), int(QDialog::Accepted));
            QCOMPARE(int(dlg.GetStatisticsOptions()), 0x01);
        }
        {
            TdlgIBStatisticsOptions dlg;
            QCOMPARE(execPressing(dlg, Qt::Key_Escape), int(QDialog::Rejected));
        }
        {
            TdlgIBStatisticsOptions dlg;
            QTimer::singleShot(0, dlg.btnCancel, &QPushButton::click);
            QCOMPARE(dlg.exec(), int(QDialog::Rejected));
            QTimer::singleShot(0, dlg.btnOK, &QPushButton::click);
            QCOMPARE(dlg.exec(), int(QDialog::Accepted));
        }
    }

    void fixedFrameWithOnlyTheSystemMenu()
    {
        QWidget owner;
        owner.resize(900, 700);
        owner.move(100, 80);
        owner.show();
        TdlgIBStatisticsOptions dlg(&owner);
        const Qt::WindowFlags flags = dlg.windowFlags();
        QVERIFY(flags & Qt::WindowSystemMenuHint);
        QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
        QVERIFY(!(flags & Qt::WindowContextHelpButtonHint));
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QCOMPARE(dlg.minimumSize(), dlg.maximumSize());
        QCOMPARE(dlg.size(), dlg.minimumSize());
        // the longest item fits without being cut
        QRadioButton* longest = items(dlg).last();
        QVERIFY(longest->width() >= longest->sizeHint().width());
        // placed over the centre of its owner
        const QPoint offset = dlg.frameGeometry().center() - owner.frameGeometry().center();
        QVERIFY2(offset.manhattanLength() <= 4, qPrintable(QStringLiteral("%1,%2").arg(offset.x()).arg(offset.y())));
    }
};

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TestStatisticsOptionsDlg test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_statistics_options_dlg.moc"
