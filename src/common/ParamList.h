#pragma once
// A parameter list of name=value lines, as the connection and the Services clients hold them
// (user_name, password, sql_role_name, lc_ctype). Order is kept: it is the order of the
// parameter block sent to the server.

#include <QString>
#include <utility>
#include <vector>

class ParamList {
public:
    using Entry = std::pair<QString, QString>;

    // A non-empty value replaces the entry of that name or is appended; an empty value removes it.
    void setParam(const QString& name, const QString& value);
    bool contains(const QString& name) const;
    QString value(const QString& name) const;
    const std::vector<Entry>& entries() const { return m_entries; }
    QStringList lines() const;  // "name=value" in order
    bool operator==(const ParamList&) const = default;

private:
    std::vector<Entry> m_entries;
};

// The module-level helper used by the connection: SetParam on a list.
inline void SetParam(ParamList& list, const QString& name, const QString& value) { list.setParam(name, value); }
