// The memory charts' drawing: the pool types pie with its legend and the history bars.

#include "mainwindow/MemoryChartFrame.h"
#include "mainwindow/charts/MemoryCharts.h"
#include "mainwindow/charts/PieLegend.h"

#include <QApplication>
#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QLegend>
#include <QPieSeries>
#include <QPieSlice>
#include <QStackedBarSeries>
#include <QTabWidget>
#include <QValueAxis>
#include <QtTest>

class TestMemoryCharts : public QObject {
    Q_OBJECT

private slots:
    void kilobytesInTheLocale_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("English, three decimals") << "en_US" << qint64{5000} << "4.883 KB";
        QTest::newRow("German, three decimals") << "de_DE" << qint64{5000} << "4,883 KB";
        QTest::newRow("English, thousands") << "en_US" << qint64{1048576} << "1,024 KB";
        QTest::newRow("German, thousands") << "de_DE" << qint64{1048576} << "1.024 KB";
        QTest::newRow("trailing zeros go") << "en_US" << qint64{1536} << "1.5 KB";
        QTest::newRow("whole kilobytes") << "de_DE" << qint64{2048} << "2 KB";
        QTest::newRow("nothing") << "en_US" << qint64{0} << "0 KB";
        QTest::newRow("rounded") << "en_US" << qint64{1023} << "0.999 KB";
    }
    void kilobytesInTheLocale()
    {
        QFETCH(QString, locale);
        QFETCH(qint64, bytes);
        QFETCH(QString, text);
        QCOMPARE(TMemoryCharts::kilobytesText(bytes, QLocale(locale)), text);
    }

    // One slice per pool type however small, no labels on the pie, labels cut to 27 characters;
    // the legend lists each slice's label, colour and value in the user's locale.
    void pieAndLegend()
    {
        const QLocale saved;
        QLocale::setDefault(QLocale(QStringLiteral("de_DE")));
        TMemoryCharts charts;
        const QString exact = QStringLiteral("CCH: Cache mgr/page buffers");
        QCOMPARE(exact.size(), 27);
        charts.setPie({{exact, 1048576}, {QStringLiteral("REQ: User queries and procedures"), 5000}, {QStringLiteral("TRA"), 1}});
        QLocale::setDefault(saved);

        QPieSeries* pie = charts.pieSeries();
        QCOMPARE(pie->count(), 3);
        QCOMPARE(pie->slices()[0]->label(), exact);
        QCOMPARE(pie->slices()[1]->label(), QStringLiteral("REQ: User queries and proce"));
        QCOMPARE(pie->slices()[0]->value(), 1024.0);
        QCOMPARE(pie->slices()[2]->value(), 1.0 / 1024);
        for (QPieSlice* slice : pie->slices())
            QVERIFY(!slice->isLabelVisible());
        QVERIFY(pie->slices()[0]->color() != pie->slices()[1]->color());

        const std::vector<TPieLegend::Entry>& entries = charts.legend()->entries();
        QCOMPARE(entries.size(), size_t{3});
        QCOMPARE(entries[1].label, QStringLiteral("REQ: User queries and proce"));
        QCOMPARE(entries[1].value, QStringLiteral("4,883 KB"));
        QCOMPARE(entries[0].value, QStringLiteral("1.024 KB"));
        QCOMPARE(entries[1].color, pie->slices()[1]->color());
        QVERIFY(!charts.pieView()->chart()->legend()->isVisible());
        QCOMPARE(charts.pieView()->chart()->title(), QStringLiteral("Memory Usage by Pool Type"));
        QCOMPARE(charts.pieView()->parentWidget()->width(), 250);
    }

    // Every pool type's name is shown whole beside or above its value, without overlap, in the
    // 250 pixels of the pie, at the Memory tab's first size and at a large one; the pie keeps room.
    void legendShowsEveryNameWhole()
    {
        TMemoryCharts charts;
        charts.setPie({{QStringLiteral("CCH: Cache mgr/page buffers"), 987654321},
                       {QStringLiteral("DYN: Internal DDL"), 5000},
                       {QStringLiteral("IRQ: Int. metadata queries"), 123456789},
                       {QStringLiteral("PRM: Metadata structures"), 45678901},
                       {QStringLiteral("REQ: User queries"), 2345678},
                       {QStringLiteral("TRA: Transaction manager"), 1},
                       {QStringLiteral("TRA: Trigger requests"), 99999}});
        TPieLegend* legend = charts.legend();
        const QFontMetrics fm = legend->fontMetrics();
        for (const QSize size : {QSize(688, 380), QSize(1600, 930)}) {
            charts.resize(size);
            charts.show();
            QVERIFY(QTest::qWaitForWindowExposed(&charts));
            QCoreApplication::processEvents();
            QCOMPARE(legend->width(), 250);
            QVERIFY(legend->height() >= legend->heightForWidth(250));
            QVERIFY2(charts.pieView()->height() >= 150, qPrintable(QString::number(charts.pieView()->height())));
            const std::vector<TPieLegend::Placement> placed = legend->placements(legend->width());
            for (size_t i = 0; i < placed.size(); ++i) {
                const TPieLegend::Entry& e = legend->entries()[i];
                const QRect label = placed[i].label, value = placed[i].value;
                QVERIFY2(fm.horizontalAdvance(e.label) <= label.width(), qPrintable(e.label));
                QVERIFY(fm.horizontalAdvance(e.value) <= value.width());
                QVERIFY2(!label.intersects(value), qPrintable(e.label));
                QVERIFY(label.left() > placed[i].swatch.right());
                QVERIFY(legend->rect().contains(label.united(value)));
                if (i > 0)
                    QVERIFY(label.top() > placed[i - 1].value.bottom());
            }
        }
    }

    // Each bar alone in its place with the colour it was given, the first at the left; a left
    // axis in megabytes, no bottom axis, no legend; clear empties both charts.
    void historyBars()
    {
        TMemoryCharts charts;
        QList<double> megabytes(30, 0.0);
        megabytes[0] = 1024;
        megabytes[1] = 3.5;
        QList<QColor> colours;
        for (int k = 0; k < 30; ++k)
            colours << QColor(255, 255, 8 * k);
        charts.setHistory(megabytes, colours);

        QStackedBarSeries* bars = charts.historySeries();
        QCOMPARE(bars->count(), 30);
        for (int k = 0; k < 30; ++k) {
            QBarSet* set = bars->barSets()[k];
            QCOMPARE(set->color(), colours[k]);
            QCOMPARE(set->count(), 30);
            for (int place = 0; place < 30; ++place)
                QCOMPARE(set->at(place), place == k ? megabytes[k] : 0.0);
        }
        QChart* chart = charts.historyView()->chart();
        QCOMPARE(chart->title(), QStringLiteral("Memory Usage History"));
        QVERIFY(!chart->legend()->isVisible());
        const auto left = chart->axes(Qt::Vertical);
        QCOMPARE(left.size(), 1);
        QCOMPARE(left.first()->titleText(), QStringLiteral("Total Memory (MB)"));
        QVERIFY(static_cast<QValueAxis*>(left.first())->max() >= 1024);
        const auto bottom = chart->axes(Qt::Horizontal);
        QCOMPARE(bottom.size(), 1);
        QVERIFY(!bottom.first()->isVisible());
        QCOMPARE(static_cast<QBarCategoryAxis*>(bottom.first())->count(), 30);

        charts.setPie({{QStringLiteral("TRA"), 10}});
        charts.clear();
        QCOMPARE(bars->count(), 0);
        QCOMPARE(charts.pieSeries()->count(), 0);
        QVERIFY(charts.legend()->entries().empty());
    }

    // On a tab out of sight the refreshes keep the history but leave the charts alone; when the
    // tab comes into sight the charts show the last refresh.
    void chartsOutOfSightAreDrawnWhenShown()
    {
        QTabWidget window;
        window.addTab(new QWidget, QStringLiteral("other"));
        auto* frame = new TfrmMemoryDisplayChart;
        window.addTab(frame, QStringLiteral("Memory"));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        frame->UpdateCharts({{QStringLiteral("TRA"), 1024}});
        frame->UpdateCharts({{QStringLiteral("TRA"), 2048}, {QStringLiteral("ATT"), 1024}});
        QCOMPARE(frame->history()[1], 1024.0 / 1048576);
        QCOMPARE(frame->charts()->pieSeries()->count(), 0);
        window.setCurrentWidget(frame);
        QPieSeries* pie = frame->charts()->pieSeries();
        QCOMPARE(pie->count(), 2);
        QCOMPARE(pie->slices()[0]->value(), 2.0);
        QCOMPARE(frame->charts()->historySeries()->barSets()[0]->at(0), 3072.0 / 1048576);
    }
};

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TestMemoryCharts test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_memory_charts.moc"
