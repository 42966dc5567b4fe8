#pragma once
// Decoding of the values the client library hands over.

#include <ibase.h>

#include <QDateTime>
#include <QString>
#include <QStringDecoder>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

namespace ib {

// Little-endian integer of 1 to 8 bytes, as in information replies.
uint64_t readLittleEndian(const char* p, int bytes);
// The same, sign-extended as isc_vax_integer does.
int64_t readSignedLittleEndian(const char* p, int bytes);

// A TIMESTAMP as the server keeps it: days since 17 November 1858 and ten-thousandths of a second.
struct Timestamp {
    int32_t date = 0;
    uint32_t time = 0;

    static Timestamp fromIsc(const ISC_TIMESTAMP& ts) { return {ts.timestamp_date, ts.timestamp_time}; }
    static Timestamp fromDateTime(const QDateTime& dt);  // local date-time as given
    int64_t packed() const { return (static_cast<int64_t>(date) << 32) | time; }
    static Timestamp fromPacked(int64_t v) { return {static_cast<int32_t>(v >> 32), static_cast<uint32_t>(v & 0xFFFFFFFF)}; }
    QDate toDate() const;
    QTime toTime() const;  // milliseconds kept; the tenth of a millisecond is in `time`
    // The server's wall-clock time as it is, never shifted or refused by the client's time zone
    // (a local time in the client's daylight-saving gap does not exist, and would be invalid): a
    // date-time held in UTC whose date and time are the server's.
    QDateTime toDateTime() const;
    bool operator==(const Timestamp&) const = default;
    auto operator<=>(const Timestamp&) const = default;
};

// Text from the server: UTF-8 when the bytes are valid UTF-8, else Latin-1 (one character per byte),
// so that no byte is ever lost or turned into an error.
QString decodeText(std::string_view bytes);

// Text from the server in the character set the connection asked for (its lc_ctype): a Firebird
// name such as WIN1251, ISO8859_1, KOI8R, DOS866 or UTF8. Without one, or for NONE, OCTETS, ASCII
// and a set the toolkit does not know, decodeText's rule.
class TextDecoder {
public:
    TextDecoder() = default;
    explicit TextDecoder(const QString& characterSet);
    const QString& characterSet() const { return m_characterSet; }
    QString decode(std::string_view bytes) const;

private:
    QString m_characterSet;
    std::shared_ptr<QStringDecoder> m_decoder;  // stateless; none: decodeText
};
// The toolkit's name of a Firebird character set; empty when there is none.
QByteArray codecName(const QString& firebirdCharacterSet);

// Trailing blanks removed, as CHAR values are compared.
std::string_view trimRight(std::string_view text);

}  // namespace ib
