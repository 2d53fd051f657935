// The number-text routines both programs carry: conversions and tests of number texts, bit texts,
// the date-time text, control placing, range statistics and header-line alignment.
#include "MdlFunctions.h"

#include "Controls.h"
#include "NumberFormat.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace MdlFunctions {

namespace {

QString &decimalSepValue()
{
    static QString value;
    return value;
}

QString withoutLeadingBlanks(const QString &text)
{
    qsizetype i = 0;
    while (i < text.size() && text[i] == u' ')
        ++i;
    return text.mid(i);
}

QString withoutSurroundingBlanks(const QString &text)
{
    qsizetype end = text.size();
    while (end > 0 && text[end - 1] == u' ')
        --end;
    return withoutLeadingBlanks(text.left(end));
}

// Sums of values are kept scaled by this power of two, below one over the most readings a range holds
// (2^21), so that even a range of the largest doubles sums without overflow. Scaling by a power of two
// is exact: the sum is the one of the values themselves.
constexpr double kSumScale = 0x1p-32;

std::optional<qint32> elementValue(const QString &text)
{
    if (const auto v = NumberFormat::textToInt32(text, u"."))
        return v;
    return NumberFormat::textToInt32(text, NumberFormat::localeDecimalSep());
}

Status statisticsFailure(const QString &detail)
{
    return {Status::InvalidParameters,
            QStringLiteral("Invalid parameters in function GetStatistics ") + detail};
}

// sum / n rounded to the nearest whole number, halves to even (n > 0).
qint64 roundedAverage(qint64 sum, qint64 n)
{
    qint64 q = sum / n;
    qint64 r = sum % n;
    if (r < 0) {
        q -= 1;
        r += n;
    }
    if (2 * r > n || (2 * r == n && q % 2 != 0))
        ++q;
    return q;
}

// The smallest and largest value met and how often each occurs, followed apart, so that a value equal
// to both counts for both.
template <typename T> struct Extremes {
    explicit Extremes(T first) : min(first), max(first) {}
    void add(T v)
    {
        if (v < min) {
            min = v;
            cntMin = 1;
        } else if (v == min) {
            ++cntMin;
        }
        if (v > max) {
            max = v;
            cntMax = 1;
        } else if (v == max) {
            ++cntMax;
        }
    }
    T min, max;
    qint32 cntMin = 1, cntMax = 1;
};

// The time format for the general date: the locale's long time without the time zone.
QString timeFormatWithoutZone(const QLocale &locale)
{
    const QString format = locale.timeFormat(QLocale::LongFormat);
    QString out;
    bool quoted = false;
    for (const QChar c : format) {
        if (c == u'\'')
            quoted = !quoted;
        if (quoted || c != u't')
            out += c;
    }
    return out.simplified();
}

} // namespace

QString strDecimalSep()
{
    return decimalSepValue();
}

void setStrDecimalSep(const QString &separator)
{
    decimalSepValue() = separator;
}

QString FindDecimalSeparator()
{
    return withoutLeadingBlanks(QLocale().toString(1.5)).mid(1, 1);
}

bool IsNumericInLocale(const QString &strText)
{
    return NumberFormat::isNumericText(strText, NumberFormat::localeDecimalSep());
}

std::optional<double> NumberFromText(const QString &strText)
{
    const QString sep = strDecimalSep();
    QString t = strText;
    if (sep != u"." && !sep.isEmpty())
        t.replace(sep, QStringLiteral("."));
    t = withoutLeadingBlanks(t);
    if (t.startsWith(u'.'))
        t.prepend(u'0');
    else if (t.startsWith(u"-."))
        t = QStringLiteral("-0") + t.mid(1);
    if (!NumberFormat::isNumericText(t, u"."))
        return std::nullopt;
    return NumberFormat::valPrefix(t);
}

double TextToNumber(const QString &strText, Status &status)
{
    status = {};
    if (const std::optional<double> value = NumberFromText(strText))
        return *value;
    status = {Status::NotNumber, QStringLiteral("Not Number")};
    return 0.0;
}

bool IsNumberText(QString &strText)
{
    const QString copy = strText;
    const QString sep = FindDecimalSeparator();
    strText.replace(sep != u"." ? u'.' : u',', u'?');
    const bool result = IsNumericInLocale(strText);
    strText = copy;
    return result;
}

bool IsAsciiDigits(const QString &strText)
{
    if (strText.isEmpty())
        return false;
    for (const QChar c : strText)
        if (c.unicode() < 48 || c.unicode() > 57)
            return false;
    return true;
}

bool IsDigitString(const QString &strText)
{
    const QString t = withoutSurroundingBlanks(strText);
    if (!IsNumericInLocale(t))
        return false;
    for (const QChar c : t)
        if (!IsNumericInLocale(QString(c)))
            return false;
    return true;
}

QString ByteToBits(int iValue)
{
    return IntToBits(static_cast<qint16>(iValue & 0xFF), 8);
}

QString IntToBits(qint16 iValue, quint8 bBits)
{
    auto word = static_cast<quint16>(iValue);
    QString bits;
    bits.reserve(bBits);
    for (int i = 0; i < bBits; ++i) {
        bits.prepend(word % 2 == 1 ? u'1' : u'0');
        word /= 2;
    }
    return bits;
}

QString NowText()
{
    return GeneralDateText(QDateTime::currentDateTime());
}

QString GeneralDateText(const QDateTime &moment, const QLocale &locale)
{
    const QString date = locale.toString(moment.date(), QLocale::ShortFormat);
    const QTime time = moment.time();
    if (time.hour() == 0 && time.minute() == 0 && time.second() == 0)
        return date;
    return date + u' ' + locale.toString(time, timeFormatWithoutZone(locale));
}

void PlaceRightOf(QWidget *ctrlLeft, QWidget *ctrlRight, int iGap)
{
    if (!ctrlLeft || !ctrlRight)
        return;
    const QRect left = Zelk::geometryTwips(ctrlLeft);
    const QRect right = Zelk::geometryTwips(ctrlRight);
    Zelk::setGeometryTwips(ctrlRight, left.left() + left.width() + iGap, left.top(), right.width(),
                           left.height());
}

namespace {

// The count statistics of elements lFirst..lLast of `size`; element(i) is the 32-bit whole count of
// element i, nothing when it has none.
template <typename Element>
Status countStatistics(qint64 size, qint32 lFirst, qint32 lLast, Element element, CountStatistics &out)
{
    if (lFirst > lLast)
        return statisticsFailure(QStringLiteral(" MinIndex > MaxIndex "));
    if (size - 1 < lLast)
        return statisticsFailure(QStringLiteral("L_HiIndex > MaxIndex "));
    if (lFirst < 0)
        return statisticsFailure(QStringLiteral("L_LoIndex < 0 "));
    std::optional<Extremes<qint32>> extremes;
    qint64 sum = 0;
    for (qint32 i = lFirst; i <= lLast; ++i) {
        const std::optional<qint32> v = element(i);
        if (!v)
            return statisticsFailure(QStringLiteral("Not a whole number at index %1 ").arg(i));
        sum += *v;
        if (extremes)
            extremes->add(*v);
        else
            extremes.emplace(*v);
    }
    const qint64 n = qint64(lLast) - lFirst + 1;
    const auto average = static_cast<qint32>(roundedAverage(sum, n));
    out = {static_cast<qint32>(n),
           average,
           extremes->min,
           extremes->max,
           qint64(extremes->min) - average,
           qint64(extremes->max) - average,
           extremes->cntMin,
           extremes->cntMax};
    return {};
}

} // namespace

Status GetStatistics(const QStringList &arrValues, qint32 lFirst, qint32 lLast, qint32 &lCount,
                     qint32 &lAverage, qint32 &lMin, qint32 &lMax, qint64 &lDelta1, qint64 &lDelta2,
                     qint32 &lCntMin, qint32 &lCntMax)
{
    CountStatistics st;
    const Status status = countStatistics(
        arrValues.size(), lFirst, lLast, [&](qint32 i) { return elementValue(arrValues.at(i)); }, st);
    if (!status.ok())
        return status;
    lCount = st.count;
    lAverage = st.average;
    lMin = st.min;
    lMax = st.max;
    lDelta1 = st.delta1;
    lDelta2 = st.delta2;
    lCntMin = st.cntMin;
    lCntMax = st.cntMax;
    return status;
}

Status GetCountStatistics(const std::vector<double> &values, qint32 lFirst, qint32 lLast,
                          CountStatistics &out, const std::vector<qint32> &notNumbers)
{
    // Only the first element without a number in the range matters: the pass stops there.
    const auto firstNotNumber = std::lower_bound(notNumbers.begin(), notNumbers.end(), lFirst);
    const qint32 stop = firstNotNumber == notNumbers.end() ? -1 : *firstNotNumber;
    const auto element = [&](qint32 i) {
        return i == stop ? std::nullopt : NumberFormat::toInt32(values[size_t(i)]);
    };
    return countStatistics(qint64(values.size()), lFirst, lLast, element, out);
}

std::optional<ValueStatistics> GetValueStatistics(const std::vector<double> &values, qint32 lFirst,
                                                  qint32 lLast, bool wholeCounts)
{
    if (lFirst < 0 || lFirst > lLast || qint64(lLast) >= qint64(values.size()))
        return std::nullopt;
    const auto element = [&](qint32 i) {
        const double v = values[size_t(i)];
        return wholeCounts ? NumberFormat::roundHalfEven(v) : v;
    };
    Extremes<double> extremes(element(lFirst));
    double sum = element(lFirst) * kSumScale;
    for (qint32 i = lFirst + 1; i <= lLast; ++i) {
        sum += element(i) * kSumScale;
        extremes.add(element(i));
    }
    const double average = sum / (double(lLast) - lFirst + 1) / kSumScale;
    return ValueStatistics{wholeCounts ? NumberFormat::roundHalfEven(average) : average, extremes.min,
                           extremes.max, extremes.cntMin, extremes.cntMax};
}

bool RawToValue(qint32 lRaw, float sngOffset, float sngGain, float &sngValue)
{
    const double value = double(lRaw) * double(sngGain) + double(sngOffset);
    if (std::isfinite(value) && std::fabs(value) > double(std::numeric_limits<float>::max())) {
        sngValue =
            value > 0 ? std::numeric_limits<float>::infinity() : -std::numeric_limits<float>::infinity();
        return false;
    }
    sngValue = static_cast<float>(value);
    return std::isfinite(value);
}

void AlignToTemplate(const QString &strTemplate, const QString &strSep, const QStringList &arrValues,
                     QString &strResult)
{
    if (strSep.isEmpty())
        return;
    const QChar sep = strSep.front();
    qsizetype i = 0;
    while (i < strTemplate.size() && strTemplate[i] == u' ')
        ++i;
    qsizetype gap = 0;
    for (qsizetype k = 1; k < arrValues.size(); ++k) {
        const qsizetype e = strTemplate.indexOf(sep, i);
        if (e < 0)
            return;
        strResult += QString(gap, u' ') + NumberFormat::alignRight(arrValues.at(k), int(e - i));
        gap = 1;
        i = e + 1;
        while (i < strTemplate.size() && strTemplate[i] == sep) {
            ++gap;
            ++i;
        }
    }
}

void AlignLineToTemplate(const QString &strTemplate, const QString &strSep, const QString &strValues,
                         QString &strResult)
{
    Q_UNUSED(strSep);
    strResult.clear();
    QStringList compacted;
    CompactNonBlank(strValues.split(u' '), compacted);
    AlignToTemplate(strTemplate, QStringLiteral(" "), compacted, strResult);
}

void CompactNonBlank(const QStringList &arrIn, QStringList &arrOut)
{
    arrOut = QStringList(arrIn.size() + 1);
    qsizetype next = 1;
    for (const QString &item : arrIn)
        if (!withoutSurroundingBlanks(item).isEmpty())
            arrOut[next++] = item;
}

} // namespace MdlFunctions
