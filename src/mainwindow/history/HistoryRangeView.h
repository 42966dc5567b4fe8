#pragma once
// The range view of the history: the statements that ran (were seen running) between two recorded
// moments, longest first, each with its elapsed time, its user and client, when it was first and
// last seen running, and its SQL; the chosen statement's whole SQL and its plan below.

#include "history/HistoryReader.h"

#include <QDialog>

#include <vector>

class QPlainTextEdit;
class QTreeWidget;

class THistoryRangeView : public QDialog {
    Q_OBJECT
public:
    THistoryRangeView(history::HistoryReader& reader, const history::MomentInfo& first, const history::MomentInfo& last,
                      QWidget* parent = nullptr);

    QTreeWidget& list() const { return *m_list; }
    const std::vector<history::RanStatement>& statements() const { return m_statements; }

private:
    void showChosen();

    std::vector<history::RanStatement> m_statements;
    QTreeWidget* m_list;
    QPlainTextEdit* m_text;
};
