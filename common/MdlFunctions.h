// The number-text routines both programs carry: device number texts to numbers, numeric tests, bit
// texts, the date-time text, control placing, range statistics and header-line alignment.
#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

class QWidget;

namespace MdlFunctions {

// How a routine that shows no message itself went: Ok, or what failed with the operator's message,
// which the caller shows.
struct Status {
    enum Code { Ok, InvalidParameters, NotNumber } code = Ok;
    QString message;
    bool ok() const { return code == Ok; }
};

// The program's decimal separator. The monitor sets it at start-up from FindDecimalSeparator(); the
// viewer leaves it empty.
QString strDecimalSep();
void setStrDecimalSep(const QString &separator);

// The current default locale's decimal separator: the second character of the locale's text of 1.5
// after leading blanks.
QString FindDecimalSeparator();

// The numeric test under the current default locale (NumberFormat::isNumericText with its separator):
// blanks around, a sign, digits, the locale's decimal separator and an exponent pass.
bool IsNumericInLocale(const QString &strText);

// A device number text ("." as decimal point, or strDecimalSep) to a number; 0 and NotNumber with
// "Not Number" for text that is not a number. The test is made on the text in "." form, so a text in
// which "." is meant as a grouping separator or a "," that is not strDecimalSep is refused.
double TextToNumber(const QString &strText, Status &status);
// The same reading without the message: nothing for text that is not a number.
std::optional<double> NumberFromText(const QString &strText);

// Numeric under the current locale, refusing the other convention's separator ("," where "." is the
// decimal separator, "." where it is not).
bool IsNumberText(QString &strText);

// Not empty and made of the characters 0 to 9 only; no trimming.
bool IsAsciiDigits(const QString &strText);

// The text without surrounding blanks is numeric and each of its characters is numeric by itself.
bool IsDigitString(const QString &strText);

// The eight bits of a byte, most significant first ("00000101" for 5). Only the low 8 bits are used.
QString ByteToBits(int iValue);

// The low `bBits` bits of a 16-bit word, most significant first (bits above 16 print as "0").
QString IntToBits(qint16 iValue, quint8 bBits);

// The current date and time in the locale's general date format (short date, blank, long time).
QString NowText();
// The same for a given moment and locale: the time zone is left out, and a time of exactly midnight
// gives the date alone, as the general date format does.
QString GeneralDateText(const QDateTime &moment, const QLocale &locale = QLocale());

// ctrlRight gets ctrlLeft's top and height and is placed iGap twips right of ctrlLeft.
void PlaceRightOf(QWidget *ctrlLeft, QWidget *ctrlRight, int iGap);

// Count, rounded average (halves to even), minimum, maximum, their distances from the average and
// how often the extremes occur (a value equal to both counts for both), over arrValues[lFirst..lLast]
// read as 32-bit whole numbers ("." or the locale's decimal separator, rounded half-to-even). The sum is
// kept in 64 bits. Bad parameters or an element that is not a 32-bit whole number leave the outputs
// untouched and return InvalidParameters with "Invalid parameters in function GetStatistics ..." .
Status GetStatistics(const QStringList &arrValues, qint32 lFirst, qint32 lLast, qint32 &lCount,
                     qint32 &lAverage, qint32 &lMin, qint32 &lMax, qint64 &lDelta1, qint64 &lDelta2,
                     qint32 &lCntMin, qint32 &lCntMax);

// The same statistics over numbers: values[lFirst..lLast] rounded half-to-even to 32-bit whole counts.
// `notNumbers` (ascending) are the indexes of elements that stood for no number.
struct CountStatistics {
    qint32 count = 0, average = 0, min = 0, max = 0;
    qint64 delta1 = 0, delta2 = 0;
    qint32 cntMin = 0, cntMax = 0;
};
Status GetCountStatistics(const std::vector<double> &values, qint32 lFirst, qint32 lLast,
                          CountStatistics &out, const std::vector<qint32> &notNumbers = {});

// Average, minimum and maximum of values[lFirst..lLast] at full precision, and how often the extremes
// occur (a value equal to both counts for both): the statistics of engineering values. With
// `wholeCounts` each value is first rounded to a whole count (halves to even), at any size, and so is
// the average: the statistics in counts of a range the 32-bit routine cannot hold. The sum never
// overflows, whatever finite values the range holds. Nothing for a range that is empty or outside the
// values.
struct ValueStatistics {
    double average = 0, min = 0, max = 0;
    qint32 cntMin = 0, cntMax = 0;
};
std::optional<ValueStatistics> GetValueStatistics(const std::vector<double> &values, qint32 lFirst,
                                                  qint32 lLast, bool wholeCounts = false);

// sngValue = lRaw x sngGain + sngOffset, computed in double and stored as single. False (and an
// infinite sngValue) when the result is beyond the single range, else true.
bool RawToValue(qint32 lRaw, float sngOffset, float sngGain, float &sngValue);

// Appends one value per word of strTemplate, each right-aligned to end where its word ends. Words are
// separated by the first character of strSep; a last word without a separator after it gets no value.
// arrValues is used from index 1 on.
void AlignToTemplate(const QString &strTemplate, const QString &strSep, const QStringList &arrValues,
                     QString &strResult);

// strResult = the blank-separated values of strValues aligned under strTemplate (the separator is
// always one blank; strSep is not used).
void AlignLineToTemplate(const QString &strTemplate, const QString &strSep, const QString &strValues,
                         QString &strResult);

// arrOut gets indexes 0 to arrIn's upper bound + 1; the non-blank elements of arrIn go, in order, to
// index 1 on; the rest stay empty.
void CompactNonBlank(const QStringList &arrIn, QStringList &arrOut);

} // namespace MdlFunctions
