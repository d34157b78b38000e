#pragma once

#include <QByteArray>
#include <QList>
#include <QStringList>

namespace tavixat {
class modComm;
}

namespace tavixat::bench {

class MemoryPort;

// Device output as the reply field reader meets it on a busy line: reply fields with line ends,
// echoed commands and stray bytes between them, handed over in reads of varying size.
struct ReaderWorkload {
    QByteArray output;
    // What the reader must return, in order.
    QStringList fields;
    // Bytes handed over by each read; together at least the whole output.
    QList<qsizetype> chunkSizes;
};

// About a 9600-baud line's worth of one poll, doubled: reads of 1 to 256 bytes.
inline constexpr qsizetype kDefaultMaxChunk = 256;

// At least `bytes` bytes of output, the same for the same seed. No field is empty and nothing
// between fields is a bracket, so every field comes back exactly as it was sent.
ReaderWorkload makeReaderWorkload(qsizetype bytes, quint32 seed,
                                  qsizetype maxChunk = kDefaultMaxChunk);

// Reads fields until the port has handed over everything and no complete field is left. Relies
// on the workload having no empty field: an empty result then means "nothing complete".
QStringList readAllFields(modComm& comm, const MemoryPort& port);

} // namespace tavixat::bench
