#include "common/ParamList.h"

#include <QStringList>
#include <algorithm>

void ParamList::setParam(const QString& name, const QString& value)
{
    auto it = std::find_if(m_entries.begin(), m_entries.end(), [&](const Entry& e) { return e.first == name; });
    if (value.isEmpty()) {
        if (it != m_entries.end())
            m_entries.erase(it);
        return;
    }
    if (it != m_entries.end())
        it->second = value;
    else
        m_entries.emplace_back(name, value);
}

bool ParamList::contains(const QString& name) const
{
    return std::any_of(m_entries.begin(), m_entries.end(), [&](const Entry& e) { return e.first == name; });
}

QString ParamList::value(const QString& name) const
{
    for (const auto& e : m_entries)
        if (e.first == name)
            return e.second;
    return {};
}

QStringList ParamList::lines() const
{
    QStringList out;
    for (const auto& e : m_entries)
        out << e.first + QLatin1Char('=') + e.second;
    return out;
}
