// Number texts of both programs, defined once: the numeric test, whole-number conversions with
// round-half-to-even, the prefix read, the print style of written numbers and the display patterns.
#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <optional>

namespace NumberFormat {

// ---- Reading ------------------------------------------------------------------------------------

// The general numeric test. Accepted: optional blanks (space, tab), an optional sign, digits with at
// most one decimal separator `decimalSep` (at least one digit in all; "5." and ".5" pass), an optional
// exponent (E or e, optional sign, digits), optional blanks. Refused: an empty text, grouping
// separators, any other separator, currency signs, brackets, hexadecimal prefixes, trailing signs,
// values outside the double range. An empty `decimalSep` allows no fraction at all.
bool isNumericText(QStringView text, QStringView decimalSep);

// The value of a text that passes isNumericText, else nullopt.
std::optional<double> parseNumber(QStringView text, QStringView decimalSep);

// The number at the start of `text`, "." as decimal point: leading blanks are skipped and reading stops
// at the first character that cannot continue a number ("12abc" 12, "  -3.5e" -3.5, "abc" 0, "1e3"
// 1000). Blanks inside the number end it. A value beyond the double range gives +-infinity.
double valPrefix(QStringView text);

// A plain decimal text as the station writes readings: a minus at most, digits with at most one point,
// nothing else ("-12.345", "5", "0.25"). Its value exactly as std::from_chars reads the text; nullopt
// for any other text (blanks, "+", an exponent, ",") and for one beyond the range of a double, which
// the general rules above then read.
std::optional<double> plainDecimal(QByteArrayView text);

// Round to a whole number, halves to the even neighbour (0.5 -> 0, 1.5 -> 2, 2.5 -> 2, -2.5 -> -2).
double roundHalfEven(double value);

// A value rounded half-to-even into a 16-bit (Integer) or 32-bit (Long) whole number; nullopt when it
// is not finite or the rounded value is out of range (32767.5 and 40000 fail, -32768.5 gives -32768).
std::optional<qint16> toInt16(double value);
std::optional<qint32> toInt32(double value);

// Text (isNumericText with `decimalSep`) to a 16-bit / 32-bit whole number, rounded half-to-even;
// nullopt for text that is not a number or out of range.
std::optional<qint16> textToInt16(QStringView text, QStringView decimalSep = u".");
std::optional<qint32> textToInt32(QStringView text, QStringView decimalSep = u".");

// ---- Number to text -----------------------------------------------------------------------------

// The decimal separator of the current default locale.
QString localeDecimalSep();

// The shortest general text of a number with at most `significantDigits` digits (15 for a double,
// 7 for a single), "." as decimal point: fixed notation for decimal exponents from -4 up to
// significantDigits - 1, else scientific with a signed two-digit-minimum exponent ("1E+20",
// "1.234568E+07", "1.5E-05"). `leadingZero` false drops the zero before the point of a fraction (".5").
QString generalText(double value, int significantDigits, bool leadingZero);

// Print style of written numbers: a blank (not negative) or "-" in front, one blank behind, no zero
// before the point of a fraction, "." as decimal point: " 300 ", "-306 ", " .5 ", "-.25 ", " 1E+20 ".
QString printStyle(qint64 value);
QString printStyle(double value);      // a double: 15 significant digits
QString printStyleSingle(float value); // a single: 7 significant digits

// The standard text of a double as the run time turns a number into text: no added blanks, a zero
// before the point ("0.5", "-0.25", "12.345", "1E+20"), `decimalSep` as decimal point.
QString standardText(double value, QStringView decimalSep = u".");

// Fixed-point text with at least `minIntegerDigits` integer digits (leading zeros) and exactly
// `decimals` decimals. Rounding is done on the value's 15-digit decimal form, halves away from zero
// (1.2345 -> "1.235"); a value that rounds to zero gets no minus sign.
QString formatFixed(double value, int minIntegerDigits, int decimals, QStringView decimalSep);

// The display patterns, with the decimal separator the window shows (the locale's by default).
QString format000_000(double value, const QString &decimalSep = localeDecimalSep()); // "000.000"
QString format0_000(double value, const QString &decimalSep = localeDecimalSep());   // "0.000"
QString format0_0(double value, const QString &decimalSep = localeDecimalSep());     // "#####0.0"
QString format0(double value);                                                       // "0"
// "@@@@@@@@": the text right-aligned in 8 characters (a longer text is kept whole).
QString formatAt8(const QString &text);
// Right-aligned in `width` characters, a longer text kept whole.
QString alignRight(const QString &text, int width);

} // namespace NumberFormat
