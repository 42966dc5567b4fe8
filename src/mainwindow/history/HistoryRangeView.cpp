#include "mainwindow/history/HistoryRangeView.h"

#include "common/Messages.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QHeaderView>
#include <QLocale>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <cmath>
#include <iterator>

namespace {
// An elapsed time in days as the Statements tab's elapsed column shows it: hours, minutes, seconds.
QString elapsedText(double days)
{
    const auto seconds = static_cast<qint64>(std::llround(days * 86400.0));
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600)
        .arg((seconds / 60) % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QString timeText(const QDateTime& utc)
{
    return utc.isValid() ? utc.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : QString();
}
}  // namespace

THistoryRangeView::THistoryRangeView(history::HistoryReader& reader, const history::MomentInfo& first,
                                     const history::MomentInfo& last, QWidget* parent)
    : QDialog(parent), m_statements(reader.ranBetween(first.id, last.id))
{
    setObjectName(QStringLiteral("dlgHistoryRange"));
    setWindowTitle(QString::fromUtf8(msg::HistoryRangeTitle).arg(timeText(first.taken), timeText(last.taken)));
    resize(900, 520);
    auto* layout = new QVBoxLayout(this);
    auto* splitter = new QSplitter(Qt::Vertical, this);
    m_list = new QTreeWidget(splitter);
    m_list->setObjectName(QStringLiteral("lvRanStatements"));
    m_list->setRootIsDecorated(false);
    m_list->setAlternatingRowColors(true);
    QStringList headers;
    for (const char* header : msg::HistoryRangeHeaders)
        headers << QString::fromUtf8(header);
    m_list->setHeaderLabels(headers);
    for (const history::RanStatement& s : m_statements) {
        QString sql = s.sql.simplified();
        auto* item = new QTreeWidgetItem(
            m_list, {elapsedText(s.elapsedDays), s.user, s.clientHost, s.clientProgram,
                     s.clientProcessId ? QString::number(*s.clientProcessId) : QString(), timeText(s.firstSeenRunning),
                     timeText(s.lastSeenRunning), sql});
        item->setTextAlignment(0, Qt::AlignRight | Qt::AlignVCenter);
        item->setTextAlignment(4, Qt::AlignRight | Qt::AlignVCenter);
    }
    for (int c = 0; c + 1 < m_list->columnCount(); ++c)
        m_list->resizeColumnToContents(c);
    m_text = new QPlainTextEdit(splitter);
    m_text->setObjectName(QStringLiteral("memRanStatement"));
    m_text->setReadOnly(true);
    m_text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);
    layout->addWidget(splitter);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    connect(m_list, &QTreeWidget::currentItemChanged, this, [this] { showChosen(); });
    if (m_list->topLevelItemCount() > 0)
        m_list->setCurrentItem(m_list->topLevelItem(0));
}

void THistoryRangeView::showChosen()
{
    const int row = m_list->indexOfTopLevelItem(m_list->currentItem());
    if (row < 0) {
        m_text->clear();
        return;
    }
    const history::RanStatement& s = m_statements[static_cast<size_t>(row)];
    m_text->setPlainText(s.plan.isEmpty() ? s.sql : s.sql + QStringLiteral("\n\n") + s.plan);
}
