// The reply field reader fed with arbitrary device output, cut into arbitrary reads with an
// arbitrary number of polls between them. Whatever the cuts, it must return the fields the
// character stream holds, in order, and keep its memory within the field bound.

#include "CutInput.h"
#include "MemoryLine.h"
#include "Require.h"
#include "modComm.h"

#include <QStringList>
#include <optional>

using namespace tavixat;
using namespace tavixat::fuzz;

namespace {

// What the stream holds, worked out by splitting it at every "]" rather than by scanning.
struct StreamFields {
    QStringList closed; // one per "]", empty for an empty, stray or dropped field
    bool inField = false;
    QString open; // gathered after the last "]"
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
    StreamFields expected;
    const QList<QByteArray> segments = stream.split(']');
    for (qsizetype i = 0; i + 1 < segments.size(); ++i)
        expected.closed << fieldOf(segments[i]).value_or(QString());
    if (const auto open = fieldOf(segments.last())) {
        expected.inField = true;
        expected.open = *open;
    }
    return expected;
}

QStringList nonEmpty(const QStringList& fields) {
    QStringList kept;
    for (const QString& field : fields) {
        if (!field.isEmpty())
            kept << field;
    }
    return kept;
}

bool holdsBracket(const QString& text) {
    return text.contains(u'[') || text.contains(u']');
}

class Reader {
public:
    Reader() { link_.OpenPort(1); }

    void deliver(const QByteArray& bytes) { port_.deliver(bytes); }

    QString next() {
        const QString field = link_.NextReplyField();
        require(!holdsBracket(field), "a field holds a bracket");
        require(field.size() <= modComm::kMaxFieldLength, "a field exceeds the bound");
        require(link_.fieldText().size() <= modComm::kMaxFieldLength,
                "the field being gathered exceeds the bound");
        require(!holdsBracket(link_.fieldText()), "the field being gathered holds a bracket");
        require(link_.inField() || link_.fieldText().isEmpty(), "text gathered outside a field");
        return field;
    }

    // Polls until every character taken from the port is scanned; keeps the non-empty fields.
    QStringList drain() {
        QStringList fields;
        do {
            const QString field = next();
            if (!field.isEmpty())
                fields << field;
        } while (!link_.rxBuffer().isEmpty());
        return fields;
    }

    bool inField() const { return link_.inField(); }
    const QString& fieldText() const { return link_.fieldText(); }

private:
    MemoryPort port_;
    QuietPlatform platform_;
    modComm link_{port_, platform_};
};

void checkEndState(const Reader& reader, const StreamFields& expected) {
    require(reader.inField() == expected.inField, "open field state differs from the stream");
    require(reader.fieldText() == expected.open, "gathered text differs from the stream");
}

// Everything in one read: one call per "]" gives exactly the stream's fields, empty ones too.
void checkOneRead(const QByteArray& stream, const StreamFields& expected) {
    Reader reader;
    reader.deliver(stream);
    for (const QString& field : expected.closed)
        require(reader.next() == field, "one read: fields differ from the stream");
    require(reader.drain().isEmpty(), "one read: a field after the last close bracket");
    checkEndState(reader, expected);
}

// Arrivals cut anywhere, polled 0, 1 or 2 times after each one or drained (3).
void checkCutReads(const QList<Arrival>& arrivals, const StreamFields& expected) {
    Reader reader;
    QStringList fields;
    for (const Arrival& arrival : arrivals) {
        reader.deliver(arrival.bytes);
        const int polls = arrival.extra % 4;
        if (polls == 3) {
            fields << reader.drain();
            continue;
        }
        for (int i = 0; i < polls; ++i) {
            const QString field = reader.next();
            if (!field.isEmpty())
                fields << field;
        }
    }
    fields << reader.drain();
    require(fields == nonEmpty(expected.closed), "cut reads: fields depend on the cuts");
    checkEndState(reader, expected);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const CutInput input = CutInput::fromFuzzData(data, size);
    const StreamFields expected = fieldsOf(input.stream);
    checkOneRead(input.stream, expected);
    checkCutReads(input.arrivals(), expected);
    return 0;
}
