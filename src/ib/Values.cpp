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

QDateTime Timestamp::toDateTime() const { return QDateTime(toDate(), toTime(), Qt::UTC); }

namespace {
bool isAscii(std::string_view bytes)
{
    for (char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}
}  // namespace

QString decodeText(std::string_view bytes)
{
    if (isAscii(bytes))
        return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    if (!utf8.hasError())
        return text;
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

QByteArray codecName(const QString& firebirdCharacterSet)
{
    QString name = firebirdCharacterSet.trimmed().toUpper();
    if (name.startsWith(QLatin1String("WIN_")))
        name.remove(3, 1);  // WIN_1251 is WIN1251
    static const struct {
        const char* firebird;
        const char* codec;
    } fixed[] = {{"UTF8", "UTF-8"},      {"UNICODE_FSS", "UTF-8"}, {"KOI8R", "KOI8-R"},     {"KOI8U", "KOI8-U"},
                 {"SJIS_0208", "Shift_JIS"}, {"EUCJ_0208", "EUC-JP"}, {"BIG_5", "Big5"},   {"GB_2312", "GB2312"},
                 {"KSC_5601", "EUC-KR"},  {"GBK", "GBK"},           {"GB18030", "GB18030"}, {"CP943C", "Shift_JIS"},
                 {"TIS620", "TIS-620"}};
    for (const auto& f : fixed)
        if (name == QLatin1String(f.firebird))
            return f.codec;
    if (name.startsWith(QLatin1String("WIN")) && name.size() == 7)
        return "windows-" + name.mid(3).toLatin1();
    if (name.startsWith(QLatin1String("ISO8859_")))
        return "ISO-8859-" + name.mid(8).toLatin1();
    if (name.startsWith(QLatin1String("DOS")))
        return "IBM" + name.mid(3).toLatin1();
    return {};
}

TextDecoder::TextDecoder(const QString& characterSet) : m_characterSet(characterSet)
{
    const QByteArray codec = codecName(characterSet);
    // UTF-8 keeps decodeText's rule: bytes that are not UTF-8 (a database of the set NONE, say)
    // still show one character per byte
    if (codec.isEmpty() || codec == "UTF-8")
        return;
    auto decoder = std::make_shared<QStringDecoder>(codec.constData(), QStringDecoder::Flag::Stateless);
    if (decoder->isValid())
        m_decoder = std::move(decoder);
}

QString TextDecoder::decode(std::string_view bytes) const
{
    if (!m_decoder)
        return decodeText(bytes);
    if (isAscii(bytes))
        return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
    return m_decoder->decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

std::string_view trimRight(std::string_view text)
{
    size_t n = text.size();
    while (n > 0 && text[n - 1] == ' ')
        --n;
    return text.substr(0, n);
}

}  // namespace ib
