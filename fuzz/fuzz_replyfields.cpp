// The reply field reader fed with arbitrary device output, cut into arbitrary reads with an
// arbitrary number of polls between them. Whatever the cuts, it must return the fields the
// character stream holds, in order, and keep its memory within the field bound.

#include "FakeSerialPort.h"
#include "FuzzInput.h"
#include "modComm.h"

#include <QStringList>
#include <optional>

using namespace tavixat;
using namespace tavixat::fuzz;

namespace {

// What the stream holds, worked out by splitting it at every "]" rather than by scanning.
struct StreamFields {
    QStringList closed;          // one per "]", empty for an empty, stray or dropped field
    std::optional<QString> open; // gathered after the last "]", when a field is open
};

// The text of a field that ends where the segment ends: what follows the segment's last "[".
// Longer than the bound, it was dropped on the way.
std::optional<QString> fieldOf(const QByteArray& segment) {
    const qsizetype start = segment.lastIndexOf('[');
    if (start < 0 || segment.size() - start - 1 > modComm::kMaxFieldLength)
        return std::nullopt;
    return QString::fromLatin1(segment.mid(start + 1));
}

StreamFields fieldsOf(const QByteArray& stream) {
    const QList<QByteArray> segments = stream.split(']');
    StreamFields expected{{}, fieldOf(segments.last())};
    for (qsizetype i = 0; i + 1 < segments.size(); ++i)
        expected.closed << fieldOf(segments[i]).value_or(QString());
    return expected;
}

QStringList nonEmpty(QStringList fields) {
    fields.removeAll(QString());
    return fields;
}

// The serial link on a port that hands over whatever arrived, checked at every poll.
struct Reader {
    test::FakePlatform platform;
    test::FakeSerialPort port{platform.clock};
    modComm link{port, platform};

    Reader() { link.OpenPort(1); }

    QString next() {
        const QString field = link.NextReplyField();
        for (const QString& text : {field, link.fieldText()})
            require(text.size() <= modComm::kMaxFieldLength && !text.contains(u'[') &&
                        !text.contains(u']'),
                    "a field exceeds the bound or holds a bracket");
        require(link.inField() || link.fieldText().isEmpty(), "text gathered outside a field");
        return field;
    }

    // Polls until every character taken from the port is scanned.
    QStringList drain() {
        QStringList fields;
        do
            fields << next();
        while (!link.rxBuffer().isEmpty());
        return nonEmpty(fields);
    }

    void checkEnd(const StreamFields& expected) const {
        require(link.inField() == expected.open.has_value() &&
                    link.fieldText() == expected.open.value_or(QString()),
                "the field being gathered differs from the stream");
    }
};

// Everything in one read: one call per "]" gives exactly the stream's fields, empty ones too.
void checkOneRead(const QByteArray& stream, const StreamFields& expected) {
    Reader reader;
    reader.port.feedNow(stream);
    for (const QString& field : expected.closed)
        require(reader.next() == field, "one read: fields differ from the stream");
    require(reader.drain().isEmpty(), "one read: a field after the last close bracket");
    reader.checkEnd(expected);
}

// Arrivals cut anywhere, polled 0, 1 or 2 times after each one, or drained (3).
void checkCutReads(const QList<Arrival>& arrivals, const StreamFields& expected) {
    Reader reader;
    QStringList fields;
    for (const Arrival& arrival : arrivals) {
        reader.port.feedNow(arrival.bytes);
        const int polls = arrival.extra % 4;
        for (int i = 0; i < polls && polls < 3; ++i)
            fields << reader.next();
        if (polls == 3)
            fields << reader.drain();
    }
    fields << reader.drain();
    require(nonEmpty(fields) == nonEmpty(expected.closed), "cut reads: fields depend on the cuts");
    reader.checkEnd(expected);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const CutInput input(data, size);
    const StreamFields expected = fieldsOf(input.stream);
    checkOneRead(input.stream, expected);
    checkCutReads(input.arrivals, expected);
    return 0;
}
