#include "ib/Values.h"

#include <QStringDecoder>

namespace ib {

namespace {
constexpr qint64 kJulianDayOf1858_11_17 = 2400001;
}

uint64_t readLittleEndian(const char* p, int bytes)
{
    uint64_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(p[i]);
    return v;
}

int64_t readSignedLittleEndian(const char* p, int bytes)
{
    uint64_t v = readLittleEndian(p, bytes);
    if (bytes > 0 && bytes < 8 && (static_cast<unsigned char>(p[bytes - 1]) & 0x80))
        v |= ~uint64_t(0) << (8 * bytes);
    return static_cast<int64_t>(v);
}

Timestamp Timestamp::fromDateTime(const QDateTime& dt)
{
    Timestamp ts;
    ts.date = static_cast<int32_t>(dt.date().toJulianDay() - kJulianDayOf1858_11_17);
    ts.time = static_cast<uint32_t>(dt.time().msecsSinceStartOfDay()) * 10;
    return ts;
}

QDate Timestamp::toDate() const { return QDate::fromJulianDay(date + kJulianDayOf1858_11_17); }

QTime Timestamp::toTime() const { return QTime::fromMSecsSinceStartOfDay(static_cast<int>((time / 10) % 86400000)); }

QDateTime Timestamp::toDateTime() const { return QDateTime(toDate(), toTime()); }

QString decodeText(std::string_view bytes)
{
    bool ascii = true;
    for (char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80) {
            ascii = false;
            break;
        }
    if (ascii)
        return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    if (!utf8.hasError())
        return text;
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::string_view trimRight(std::string_view text)
{
    size_t n = text.size();
    while (n > 0 && text[n - 1] == ' ')
        --n;
    return text.substr(0, n);
}

}  // namespace ib
