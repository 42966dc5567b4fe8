// The Services request blocks byte for byte, and the reader of isc_info_svc_to_eof replies on
// crafted buffers. Each crafted reply lives in a buffer of exactly its own size, so that a read
// past its end shows under the sanitizer build.

#include "common/Exception.h"
#include "common/Messages.h"
#include "connection/ServiceRequest.h"

#include <ibase.h>

#include <QtTest>

#include <memory>

namespace {
QByteArray bytes(const ib::ParamBlock& b) { return QByteArray(b.data(), b.size()); }

QByteArray raw(std::initializer_list<int> v)
{
    QByteArray out;
    for (int c : v)
        out.append(static_cast<char>(c));
    return out;
}

// isc_info_svc_to_eof, the length as stated, the text, then the closing bytes.
QByteArray reply(const QByteArray& text, const QByteArray& closing, int statedLength = -1)
{
    const int length = statedLength < 0 ? static_cast<int>(text.size()) : statedLength;
    return raw({isc_info_svc_to_eof, length & 0xFF, (length >> 8) & 0xFF}) + text + closing;
}

// A heap copy of exactly the reply's bytes: nothing readable after them.
struct ExactBuffer {
    explicit ExactBuffer(const QByteArray& bytes) : size(static_cast<size_t>(bytes.size())), data(new char[size ? size : 1])
    {
        std::memcpy(data.get(), bytes.constData(), size);
    }
    size_t size;
    std::unique_ptr<char[]> data;
};

QString readError(const QByteArray& bytes)
{
    ExactBuffer buffer(bytes);
    try {
        ReadServiceOutputPiece(buffer.data.get(), buffer.size);
    } catch (const Exception& e) {
        return e.message();
    }
    return QString();
}

QString malformed(const char* reason)
{
    return QString::fromUtf8(msg::ServiceReplyMalformed).arg(QString::fromUtf8(reason));
}
}  // namespace

class TestServiceReply : public QObject {
    Q_OBJECT
private slots:
    void requestBlocks()
    {
        QCOMPARE(bytes(ServerLogRequest()), raw({isc_action_svc_get_ib_log}));

        const QByteArray path = "/srv/data/employee.fdb";
        QByteArray want = raw({isc_action_svc_db_stats, isc_spb_dbname, int(path.size()), 0}) + path;
        want += raw({isc_spb_options, isc_spb_sts_hdr_pages, 0, 0, 0});
        QCOMPARE(bytes(DatabaseStatisticsRequest(path.toStdString(), isc_spb_sts_hdr_pages)), want);

        // the path's length takes two bytes, low byte first; the options value four
        const std::string longPath(0x1234, 'p');
        const QByteArray stats = bytes(DatabaseStatisticsRequest(longPath, 0x10));
        QCOMPARE(stats.left(4), raw({isc_action_svc_db_stats, isc_spb_dbname, 0x34, 0x12}));
        QCOMPARE(stats.size(), 4 + 0x1234 + 5);
        QCOMPARE(stats.right(5), raw({isc_spb_options, 0x10, 0, 0, 0}));
    }

    void wellFormedPieces()
    {
        {
            ExactBuffer b(reply("line one\n", raw({isc_info_end})));
            const ServiceOutputPiece piece = ReadServiceOutputPiece(b.data.get(), b.size);
            QCOMPARE(QByteArray(piece.text.data(), qsizetype(piece.text.size())), QByteArray("line one\n"));
            QVERIFY(!piece.truncated);
        }
        {
            ExactBuffer b(reply("part", raw({isc_info_truncated})));
            const ServiceOutputPiece piece = ReadServiceOutputPiece(b.data.get(), b.size);
            QCOMPARE(piece.text.size(), size_t(4));
            QVERIFY(piece.truncated);
        }
        {
            // what follows the closing byte (the rest of a larger buffer) is not read as text
            ExactBuffer b(reply("", raw({isc_info_end, 0, 0x55, 0x55})));
            const ServiceOutputPiece piece = ReadServiceOutputPiece(b.data.get(), b.size);
            QVERIFY(piece.text.empty());
            QVERIFY(!piece.truncated);
        }
        {
            // a text of 300 bytes: the length's high byte counts
            const QByteArray text(300, 'x');
            ExactBuffer b(reply(text, raw({isc_info_end})));
            QCOMPARE(ReadServiceOutputPiece(b.data.get(), b.size).text.size(), size_t(300));
        }
    }

    void malformedReplies_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("message");
        const QString notOutput = malformed(msg::ServiceReplyNotOutput);
        const QString shortReply = malformed(msg::ServiceReplyShort);
        const QString unterminated = malformed(msg::ServiceReplyUnterminated);
        QTest::newRow("empty buffer") << QByteArray() << notOutput;
        QTest::newRow("wrong first byte") << raw({isc_info_svc_line, 2, 0, 'a', 'b', isc_info_end}) << notOutput;
        QTest::newRow("truncated mark first") << raw({isc_info_truncated}) << notOutput;
        QTest::newRow("data not ready") << raw({isc_info_data_not_ready, isc_info_end}) << notOutput;
        QTest::newRow("no length") << raw({isc_info_svc_to_eof}) << shortReply;
        QTest::newRow("half a length") << raw({isc_info_svc_to_eof, 1}) << shortReply;
        QTest::newRow("length beyond the buffer") << reply("abc", raw({isc_info_end}), 5) << shortReply;
        QTest::newRow("length far beyond") << reply("abc", QByteArray(), 0xFFFF) << shortReply;
        QTest::newRow("length up to the end, no end byte") << reply("abc", QByteArray()) << unterminated;
        QTest::newRow("empty text, no end byte") << reply("", QByteArray()) << unterminated;
        QTest::newRow("other closing byte") << reply("abc", raw({isc_info_svc_timeout})) << unterminated;
        QTest::newRow("closing byte zero") << reply("abc", raw({0})) << unterminated;
    }
    void malformedReplies()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        QCOMPARE(readError(bytes), message);
    }

    // The reader joins every piece unchanged and ends only with an isc_info_end reply that
    // carries no text, as Firebird 3 answers once a finished service has handed out its output.
    void manyPiecesJoinedUnchanged()
    {
        const QList<QByteArray> replies = {
            reply("Database \"/d.fdb\"\n", raw({isc_info_truncated, isc_info_end})),
            reply("", raw({isc_info_truncated})),  // nothing ready yet, more follows
            reply("\tPage size\t\t8192", raw({isc_info_truncated})),
            reply("\n\n", raw({isc_info_end})),    // the server's end of one reply, output left
            reply("\r\nlast line", raw({isc_info_end, 0})),
            reply("", raw({isc_info_end})),
        };
        ServiceOutputReader reader;
        for (qsizetype i = 0; i < replies.size(); ++i) {
            ExactBuffer b(replies[i]);
            QCOMPARE(reader.add(b.data.get(), b.size), i == replies.size() - 1);
        }
        QVERIFY(reader.ended());
        QCOMPARE(QByteArray::fromStdString(reader.text()),
                 QByteArray("Database \"/d.fdb\"\n\tPage size\t\t8192\n\n\r\nlast line"));
    }

    void aMalformedReplyAmongPiecesRaises()
    {
        ServiceOutputReader reader;
        ExactBuffer first(reply("abc", raw({isc_info_truncated})));
        QVERIFY(!reader.add(first.data.get(), first.size));
        ExactBuffer bad(reply("defg", raw({isc_info_end}), 9));
        QVERIFY_THROWS_EXCEPTION(Exception, reader.add(bad.data.get(), bad.size));
        QVERIFY(!reader.ended());
    }
};

QTEST_GUILESS_MAIN(TestServiceReply)
#include "test_service_reply.moc"
