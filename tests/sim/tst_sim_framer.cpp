#include "framer.h"

#include <QTest>

using namespace tr::sim;

namespace {

// 3.5 character times at 19200 baud, 10 bits a byte: 1823 µs.
constexpr Micros kSilence = 1823;

QString describe(const std::vector<FramerEvent> &events) {
    QStringList parts;
    for (const FramerEvent &e : events) {
        const QByteArray hex = QByteArray(reinterpret_cast<const char *>(e.bytes.data()),
                                          static_cast<qsizetype>(e.bytes.size()))
                                   .toHex()
                                   .toUpper();
        parts << QStringLiteral("%1:%2@%3-%4")
                     .arg(e.kind == FramerEvent::Kind::Frame ? "F" : "D", QString(hex))
                     .arg(e.firstByteAt)
                     .arg(e.lastByteAt);
    }
    return parts.join(' ');
}

} // namespace

class TstFramer : public QObject {
    Q_OBJECT

private slots:
    void frames_data() {
        // Chunks as "time:hex" separated by blanks; events as kind:bytes@first-last.
        QTest::addColumn<QString>("chunks");
        QTest::addColumn<QString>("events");

        const auto row = [](const char *name, const char *chunks, const char *events) {
            QTest::newRow(name) << QString(chunks) << QString(events);
        };
        row("one request at once", "100:02040000000271F8", "F:02040000000271F8@100-100");
        row("split within the silence", "100:020400 1500:00000271F8",
            "F:02040000000271F8@100-1500");
        row("split just short of 3.5 characters", "100:020400 1922:00000271F8",
            "F:02040000000271F8@100-1922");
        row("silence of 3.5 characters drops the start", "100:AABBCC 1923:02040000000271F8",
            "D:AABBCC@100-100 F:02040000000271F8@1923-1923");
        row("two requests back to back", "0:02040000000271F8010300000008440C",
            "F:02040000000271F8@0-0 F:010300000008440C@0-0");
        row("stray byte shifts until silence", "0:FF02040000000271F8 5000:02040000000271F8",
            "F:FF02040000000271@0-0 D:F8@0-0 F:02040000000271F8@5000-5000");
        row("nothing complete", "0:0204", "");
    }
    void frames() {
        QFETCH(QString, chunks);
        QFETCH(QString, events);

        RequestFramer framer(kSilence);
        std::vector<FramerEvent> seen;
        for (const QString &chunk : chunks.split(' ')) {
            const auto at = chunk.section(':', 0, 0).toLongLong();
            const QByteArray raw = QByteArray::fromHex(chunk.section(':', 1).toLatin1());
            const std::vector<std::uint8_t> data(raw.begin(), raw.end());
            for (FramerEvent &e : framer.feed(data, at))
                seen.push_back(std::move(e));
        }
        QCOMPARE(describe(seen), events);
    }
    void resetDiscardsPartial() {
        RequestFramer framer(kSilence);
        const std::vector<std::uint8_t> start{0x02, 0x04, 0x00};
        QVERIFY(framer.feed(start, 10).empty());
        QVERIFY(framer.hasPartial());
        QCOMPARE(describe(framer.reset()), QString("D:020400@10-10"));
        QVERIFY(!framer.hasPartial());
        QVERIFY(framer.reset().empty());

        // After the reset the next eight bytes are a request of their own.
        const std::vector<std::uint8_t> request{0x02, 0x04, 0x00, 0x00, 0x00, 0x02, 0x71, 0xF8};
        QCOMPARE(describe(framer.feed(request, 11)), QString("F:02040000000271F8@11-11"));
    }
};

QTEST_APPLESS_MAIN(TstFramer)
#include "tst_sim_framer.moc"
