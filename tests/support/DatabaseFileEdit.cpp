#include "support/DatabaseFileEdit.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <QtEndian>

#include <optional>

namespace dbfile {

namespace {

// The header page (page 0), as byte offsets. The high words of the attachment id and of the four
// transaction counters follow the crypt plugin's name, which ODS 13 moved four bytes up (it
// dropped the last page to crypt before it).
constexpr qint64 kPageType = 0;  // 1 for the header page
constexpr qint64 kPageSize = 16;
constexpr qint64 kOdsVersion = 18;  // the major version, with 0x8000 for Firebird
constexpr qint64 kPagesPointerPage = 20;  // the first pointer page of RDB$PAGES
constexpr qint64 kOldestTransaction = 28;
constexpr qint64 kOldestActive = 32;
constexpr qint64 kNextTransaction = 36;
constexpr qint64 kAttachmentIdLow = 52;
constexpr qint64 kOldestSnapshot = 72;
constexpr quint16 kFirebirdFlag = 0x8000;
// the high words of next, oldest interesting, oldest active and oldest snapshot, in that order
constexpr int kNextHigh = 0, kOldestHigh = 1, kActiveHigh = 2, kSnapshotHigh = 3;

// A pointer page: the next pointer page, the count of data pages, the data pages.
constexpr qint64 kPointerNext = 20, kPointerCount = 24, kPointerPages = 32;
// A data page: the count of lines, then per line the record's offset and length.
constexpr qint64 kDataCount = 22, kDataLines = 24;
// A record: a 13-byte header whose flags say whether the data is packed, then the data.
constexpr int kRecordHeader = 13;
constexpr qint64 kRecordFlags = 10;
constexpr quint16 kRecordNotPacked = 0x0800;
// An RDB$PAGES record unpacked: the null flags, page number, relation, sequence, page type.
constexpr int kPagesRecordSize = 18;
constexpr qint64 kPagesRelation = 8, kPagesSequence = 12, kPagesType = 16;
constexpr quint16 kInventoryPageType = 3;
constexpr int kInventoryPageHeader = 20;  // then two bits per transaction

// The whole file in memory, checked to be a Firebird database of ODS 12 or 13.
class Image {
public:
    QString load(const QString& path)
    {
        m_path = path;
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return QStringLiteral("%1: %2").arg(path, file.errorString());
        m_bytes = file.readAll();
        if (m_bytes.size() < 1024 || m_bytes[kPageType] != 1)
            return QStringLiteral("%1 has no Firebird header page").arg(path);
        const quint16 ods = u16(kOdsVersion);
        m_ods = ods & ~kFirebirdFlag;
        if (!(ods & kFirebirdFlag) || (m_ods != 12 && m_ods != 13))
            return QStringLiteral("%1 has the on-disk structure %2, neither 12 nor 13").arg(path).arg(m_ods);
        m_pageSize = u16(kPageSize);
        return QString();
    }
    QString save()
    {
        QFile file(m_path);
        if (!file.open(QIODevice::ReadWrite) || file.write(m_bytes) != m_bytes.size() || !file.flush())
            return QStringLiteral("%1: %2").arg(m_path, file.errorString());
        return QString();
    }

    qint64 pageSize() const { return m_pageSize; }
    qint64 page(quint32 number) const { return qint64(number) * m_pageSize; }
    QByteArray mid(qint64 at, qint64 size) const { return m_bytes.mid(at, size); }
    bool holds(qint64 at, qint64 size) const { return at >= 0 && at + size <= m_bytes.size(); }
    quint16 u16(qint64 at) const { return qFromLittleEndian<quint16>(m_bytes.constData() + at); }
    quint32 u32(qint64 at) const { return qFromLittleEndian<quint32>(m_bytes.constData() + at); }
    void put16(qint64 at, quint16 v) { qToLittleEndian<quint16>(v, m_bytes.data() + at); }
    void put32(qint64 at, quint32 v) { qToLittleEndian<quint32>(v, m_bytes.data() + at); }

    qint64 attachmentIdHigh() const { return m_ods == 12 ? 120 : 116; }
    qint64 transactionHigh(int counter) const { return (m_ods == 12 ? 124 : 120) + 2 * counter; }
    qint64 transactionsPerInventoryPage() const { return qint64(m_pageSize - kInventoryPageHeader) * 4; }

    QByteArray& bytes() { return m_bytes; }

private:
    QString m_path;
    QByteArray m_bytes;
    int m_ods = 0;
    qint64 m_pageSize = 0;
};

// A record's data, unpacked: a positive control byte is followed by that many bytes as they are,
// a negative one by one byte repeated that many times. Nothing when it does not decode.
std::optional<QByteArray> unpack(const QByteArray& packed)
{
    QByteArray out;
    for (qsizetype i = 0; i < packed.size();) {
        const int control = static_cast<signed char>(packed[i++]);
        if (control > 0) {
            if (i + control > packed.size())
                return std::nullopt;
            out += packed.mid(i, control);
            i += control;
        } else if (control < 0 && i < packed.size()) {
            out += QByteArray(-control, packed[i++]);
        } else {
            return std::nullopt;
        }
    }
    return out;
}

// Where a transaction inventory page's record lies: its data page and line.
struct InventoryRecord {
    qint64 dataPage;
    int line;
    QByteArray data;  // unpacked
};

// Every RDB$PAGES record of an inventory page, through the relation's pointer pages.
QList<InventoryRecord> inventoryRecords(const Image& image)
{
    QList<InventoryRecord> found;
    for (quint32 pointer = image.u32(kPagesPointerPage); pointer != 0;) {
        const qint64 p = image.page(pointer);
        if (!image.holds(p, kPointerPages))
            break;
        for (int i = 0; i < image.u16(p + kPointerCount); ++i) {
            const qint64 d = image.page(image.u32(p + kPointerPages + 4 * i));
            if (!image.holds(d, kDataLines))
                continue;
            for (int line = 0; line < image.u16(d + kDataCount); ++line) {
                const qint64 at = d + kDataLines + 4 * line;
                const quint16 offset = image.u16(at), length = image.u16(at + 2);
                if (length <= kRecordHeader || !image.holds(d + offset, length))
                    continue;
                const QByteArray record = image.mid(d + offset, length);
                const bool packed = !(qFromLittleEndian<quint16>(record.constData() + kRecordFlags) & kRecordNotPacked);
                const std::optional<QByteArray> data =
                    packed ? unpack(record.mid(kRecordHeader)) : std::optional(record.mid(kRecordHeader));
                if (!data || data->size() != kPagesRecordSize)
                    continue;
                if (qFromLittleEndian<quint16>(data->constData() + kPagesRelation) == 0 &&
                    qFromLittleEndian<quint16>(data->constData() + kPagesType) == kInventoryPageType)
                    found.push_back({d, line, *data});
            }
        }
        pointer = image.u32(p + kPointerNext);
    }
    return found;
}

}  // namespace

bool waitUntilClosed(qint64 pid, const QString& path)
{
    const QString target = QFileInfo(path).canonicalFilePath();
    const QDir fds(QStringLiteral("/proc/%1/fd").arg(pid));
    for (int attempt = 0; attempt < 300; ++attempt) {
        bool open = false;
        for (const QFileInfo& fd : fds.entryInfoList(QDir::System | QDir::NoDotAndDotDot))
            open = open || fd.symLinkTarget() == target;
        if (!open)
            return true;
        QThread::msleep(100);
    }
    return false;
}

QString setNextAttachmentId(const QString& path, quint64 next)
{
    Image image;
    if (QString error = image.load(path); !error.isEmpty())
        return error;
    image.put32(kAttachmentIdLow, quint32(next));
    image.put32(image.attachmentIdHigh(), quint32(next >> 32));
    return image.save();
}

QString setNextTransaction(const QString& path, quint64 next)
{
    Image image;
    if (QString error = image.load(path); !error.isEmpty())
        return error;
    const quint64 oldest = next - 3;
    const qint64 perPage = image.transactionsPerInventoryPage();
    const quint32 sequence = quint32(oldest / perPage);
    if (next >= (quint64(1) << 48) || next / perPage != sequence)
        return QStringLiteral("%1 and the three before it do not share one inventory page").arg(next);
    const QList<InventoryRecord> records = inventoryRecords(image);
    if (records.size() != 1 || qFromLittleEndian<quint32>(records[0].data.constData() + kPagesSequence) != 0)
        return QStringLiteral("%1 has %2 inventory pages, not one fresh one").arg(path).arg(records.size());

    // the record again with the new sequence, packed as one run of literal bytes, below the
    // lowest record of the page
    const InventoryRecord& r = records[0];
    QByteArray data = r.data;
    qToLittleEndian<quint32>(sequence, data.data() + kPagesSequence);
    const qint64 lineAt = r.dataPage + kDataLines + 4 * r.line;
    QByteArray record = image.mid(r.dataPage + image.u16(lineAt), kRecordHeader);
    qToLittleEndian<quint16>(qFromLittleEndian<quint16>(record.constData() + kRecordFlags) & ~kRecordNotPacked,
                             record.data() + kRecordFlags);
    record += char(kPagesRecordSize);
    record += data;
    const int lines = image.u16(r.dataPage + kDataCount);
    qint64 lowest = image.pageSize();
    for (int line = 0; line < lines; ++line)
        if (image.u16(r.dataPage + kDataLines + 4 * line + 2) != 0)
            lowest = std::min<qint64>(lowest, image.u16(r.dataPage + kDataLines + 4 * line));
    const qint64 offset = (lowest - record.size()) & ~qint64(7);
    if (offset < kDataLines + 4 * lines)
        return QStringLiteral("%1: no room on the data page of RDB$PAGES").arg(path);
    image.bytes().replace(r.dataPage + offset, record.size(), record);
    image.put16(lineAt, quint16(offset));
    image.put16(lineAt + 2, quint16(record.size()));

    const auto counter = [&](qint64 low, int high, quint64 value) {
        image.put32(low, quint32(value));
        image.put16(image.transactionHigh(high), quint16(value >> 32));
    };
    counter(kNextTransaction, kNextHigh, next);
    counter(kOldestTransaction, kOldestHigh, oldest);
    counter(kOldestActive, kActiveHigh, next - 2);
    counter(kOldestSnapshot, kSnapshotHigh, next - 1);
    return image.save();
}

}  // namespace dbfile
