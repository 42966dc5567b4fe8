#pragma once
// The Database tab: the 44 values of the database's monitoring row in a value list, a rate per
// second beside each counter (from the second refresh on), and the three transaction gaps below,
// amber or red past their thresholds ([TransactionHealth] in the settings file). The row is read,
// copied and let go on every refresh of the tab; a disconnect blanks the values and forgets the
// rates.

#include "mainwindow/DatabaseRates.h"
#include "mainwindow/TransactionHealth.h"
#include "mainwindow/pages/MonitorPage.h"

#include <optional>
#include <vector>

class TDatabaseValueList;

class DatabasePage : public MonitorPage {
    Q_OBJECT
public:
    explicit DatabasePage(const PageContext& context);

    void refresh() override;
    void connectionClosed() override;
    void readOptions(const SettingsFile& settings) override;
    void writeOptions(SettingsFile& settings) const override;

    TDatabaseValueList& valueList() const { return *m_values; }
    // A row's label and its value as shown.
    QString label(int row) const;
    QString value(int row) const;
    // The thresholds of the transaction gaps.
    const health::Settings& transactionHealth() const { return m_transactionHealth; }
    void SetTransactionHealth(const health::Settings& settings) { m_transactionHealth = settings; }
    // The database's oldest active transaction as last read; nothing before the first read and
    // after a disconnect.
    std::optional<qint64> oldestActive() const { return m_oldestActive; }

private:
    void FillDatabaseLabels();
    void ShowTransactionGaps(const std::vector<std::optional<qint64>>& values);

    TDatabaseValueList* m_values;
    DatabaseRates m_rates;
    bool m_ratesRecorded = false;  // the rates are of recorded moments
    health::Settings m_transactionHealth;
    std::optional<qint64> m_oldestActive;
};
