#include "CsvText.h"

namespace tavixat {

namespace {

QString csvField(const QString& field) {
    if (!field.contains(u',') && !field.contains(u'"') && !field.contains(u'\r') &&
        !field.contains(u'\n'))
        return field;
    QString quoted = field;
    return u'"' + quoted.replace(u'"', QStringLiteral("\"\"")) + u'"';
}

// Reads the text one field at a time; each call takes a field and what ends it.
class CsvReader {
public:
    explicit CsvReader(const QString& text) : text_(text) {}

    bool atEnd() const { return pos_ >= text_.size(); }
    int line() const { return line_; }

    // The next field; ended tells whether a line end closed the record. Nothing for a broken
    // quote or a text cut before its line end.
    std::optional<QString> nextField(bool& ended) {
        const std::optional<QString> field =
            pos_ < text_.size() && text_.at(pos_) == u'"' ? quotedField() : plainField();
        if (!field)
            return std::nullopt;
        if (pos_ >= text_.size())
            return std::nullopt; // the record is cut: its line end never came
        ended = text_.at(pos_) != u',';
        if (ended) {
            pos_ += text_.mid(pos_, 2) == QLatin1String("\r\n") ? 2 : 1;
            ++line_;
        } else {
            ++pos_;
        }
        return field;
    }

private:
    std::optional<QString> plainField() {
        const qsizetype start = pos_;
        while (pos_ < text_.size() && !isFieldEnd(pos_)) {
            if (text_.at(pos_) == u'"')
                return std::nullopt; // a quote inside a field that is not quoted
            ++pos_;
        }
        return text_.mid(start, pos_ - start);
    }

    std::optional<QString> quotedField() {
        QString field;
        for (++pos_; pos_ < text_.size(); ++pos_) {
            const QChar c = text_.at(pos_);
            if (c == u'\n')
                ++line_;
            if (c != u'"') {
                field += c;
            } else if (text_.mid(pos_, 2) == QLatin1String("\"\"")) {
                field += c;
                ++pos_;
            } else {
                ++pos_;
                if (pos_ < text_.size() && !isFieldEnd(pos_))
                    return std::nullopt; // text after the closing quote
                return field;
            }
        }
        return std::nullopt; // never closed
    }

    bool isFieldEnd(qsizetype at) const {
        const QChar c = text_.at(at);
        return c == u',' || c == u'\n' || text_.mid(at, 2) == QLatin1String("\r\n");
    }

    const QString& text_;
    qsizetype pos_ = 0;
    int line_ = 1;
};

} // namespace

QString csvRecord(const QStringList& fields) {
    QStringList quoted;
    for (const QString& field : fields)
        quoted << csvField(field);
    return quoted.join(u',') + QStringLiteral("\r\n");
}

std::optional<QList<CsvRecord>> parseCsv(const QString& text, QString& error) {
    QList<CsvRecord> records;
    CsvReader reader(text);
    while (!reader.atEnd()) {
        CsvRecord record{{}, reader.line()};
        bool ended = false;
        while (!ended) {
            const std::optional<QString> field = reader.nextField(ended);
            if (!field) {
                error = QStringLiteral("line %1: a broken quote, or a last line cut short.")
                            .arg(record.line);
                return std::nullopt;
            }
            record.fields << *field;
        }
        records << record;
    }
    return records;
}

bool startsLikeFormula(const QString& text) {
    return !text.isEmpty() && QStringLiteral("=+-@\t\r").contains(text.front());
}

QString spreadsheetText(const QString& text) {
    return startsLikeFormula(text) ? u'\'' + text : text;
}

} // namespace tavixat
