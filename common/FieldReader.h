// Delimited-field input over text held in memory: text fields that end at a comma or the line end,
// whole-number fields that also end at a blank, quoted fields, and whole lines.
#pragma once

#include <QByteArray>
#include <QString>

class FieldReader {
public:
    enum class Status {
        Ok,
        PastEnd,    // input past the end of the data: nothing was left to read
        NotANumber, // a whole-number field holds text that is not a number
        Overflow,   // a whole-number field is out of the 32-bit (or 16-bit) range
    };
    template <typename T> struct Field {
        Status status = Status::Ok;
        T value{};
        bool ok() const { return status == Status::Ok; }
    };

    explicit FieldReader(QString data);
    // 8-bit text in the system code page.
    static FieldReader fromBytes(const QByteArray &bytes);

    // True when every character has been read.
    bool atEnd() const { return m_pos >= m_data.size(); }
    qsizetype position() const { return m_pos; }

    // A text field: leading blanks are skipped; the field ends at a comma or the line end, which is
    // consumed; blanks before the comma are kept. A field that starts with a double quote runs to the
    // closing quote (commas included, or to the line end when it is missing); what follows up to the
    // next comma or line end is skipped. An empty line gives an empty field.
    Field<QString> readText();

    // A whole-number field: blanks and line ends before it are skipped; it ends at a blank, a comma or
    // the line end; blanks after it and then one comma or line end are consumed. The text is read with
    // "." as decimal point and rounded half-to-even; an empty field is 0.
    Field<qint32> readLong();
    Field<qint16> readInteger();

    // The rest of the current line, without its line end (CR LF, LF or CR), which is consumed.
    Field<QString> readLine();

private:
    bool atLineEnd() const;
    void skipBlanks();
    void skipLineEnd();
    // Skips to and over the next comma or line end.
    void skipToDelimiter();
    Field<QString> readNumberText();

    QString m_data;
    qsizetype m_pos = 0;
};
