// Delimited-field input over text held in memory, as the settings file and history file readers
// use it: text fields, whole-number fields, quoted fields and whole lines.
#include "FieldReader.h"

#include "NumberFormat.h"

#include <cmath>
#include <limits>

FieldReader::FieldReader(QString data) : m_data(std::move(data)) {}

FieldReader FieldReader::fromBytes(const QByteArray &bytes)
{
    return FieldReader(QString::fromLocal8Bit(bytes));
}

bool FieldReader::atLineEnd() const
{
    return !atEnd() && (m_data[m_pos] == u'\r' || m_data[m_pos] == u'\n');
}

void FieldReader::skipBlanks()
{
    while (!atEnd() && (m_data[m_pos] == u' ' || m_data[m_pos] == u'\t'))
        ++m_pos;
}

void FieldReader::skipLineEnd()
{
    if (!atEnd() && m_data[m_pos] == u'\r')
        ++m_pos;
    if (!atEnd() && m_data[m_pos] == u'\n')
        ++m_pos;
}

void FieldReader::skipToDelimiter()
{
    while (!atEnd() && m_data[m_pos] != u',' && !atLineEnd())
        ++m_pos;
    if (!atEnd() && m_data[m_pos] == u',')
        ++m_pos;
    else
        skipLineEnd();
}

FieldReader::Field<QString> FieldReader::readText()
{
    skipBlanks();
    if (atEnd())
        return {Status::PastEnd, {}};
    if (m_data[m_pos] == u'"') {
        const qsizetype start = m_pos + 1;
        qsizetype end = start;
        while (end < m_data.size() && m_data[end] != u'"' && m_data[end] != u'\r' && m_data[end] != u'\n')
            ++end;
        m_pos = end < m_data.size() && m_data[end] == u'"' ? end + 1 : end;
        skipToDelimiter();
        return {Status::Ok, m_data.mid(start, end - start)};
    }
    const qsizetype start = m_pos;
    while (!atEnd() && m_data[m_pos] != u',' && !atLineEnd())
        ++m_pos;
    const QString text = m_data.mid(start, m_pos - start);
    skipToDelimiter();
    return {Status::Ok, text};
}

FieldReader::Field<QString> FieldReader::readNumberText()
{
    while (!atEnd() && (m_data[m_pos] == u' ' || m_data[m_pos] == u'\t' || atLineEnd()))
        ++m_pos;
    if (atEnd())
        return {Status::PastEnd, {}};
    const qsizetype start = m_pos;
    while (!atEnd() && m_data[m_pos] != u',' && m_data[m_pos] != u' ' && m_data[m_pos] != u'\t' &&
           !atLineEnd())
        ++m_pos;
    const QString text = m_data.mid(start, m_pos - start);
    skipBlanks();
    if (!atEnd() && m_data[m_pos] == u',')
        ++m_pos;
    else
        skipLineEnd();
    return {Status::Ok, text};
}

FieldReader::Field<qint32> FieldReader::readLong()
{
    const Field<QString> text = readNumberText();
    if (!text.ok())
        return {text.status, 0};
    if (text.value.isEmpty())
        return {Status::Ok, 0};
    const auto value = NumberFormat::parseNumber(text.value, u".");
    if (!value)
        return {Status::NotANumber, 0};
    const auto whole = NumberFormat::toInt32(*value);
    return whole ? Field<qint32>{Status::Ok, *whole} : Field<qint32>{Status::Overflow, 0};
}

FieldReader::Field<qint16> FieldReader::readInteger()
{
    const Field<qint32> wide = readLong();
    if (!wide.ok())
        return {wide.status, 0};
    if (wide.value < std::numeric_limits<qint16>::min() || wide.value > std::numeric_limits<qint16>::max())
        return {Status::Overflow, 0};
    return {Status::Ok, static_cast<qint16>(wide.value)};
}

FieldReader::Field<QString> FieldReader::readLine()
{
    if (atEnd())
        return {Status::PastEnd, {}};
    const qsizetype start = m_pos;
    while (!atEnd() && !atLineEnd())
        ++m_pos;
    const QString line = m_data.mid(start, m_pos - start);
    skipLineEnd();
    return {Status::Ok, line};
}
