// Number texts of both programs: the numeric test, whole-number conversions, the prefix read, the
// print style of written numbers and the display patterns. Pure functions, no state.
#include "NumberFormat.h"

#include <QLocale>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <limits>
#include <string>
#include <string_view>

namespace NumberFormat {

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

char ascii(QChar c)
{
    return static_cast<char>(c.unicode());
}

// Rough decimal magnitude of a "."-form number text: > 0 means the value is at least 1.
long long magnitude(std::string_view s)
{
    long long mag = 0;
    const auto e = s.find_first_of("eE");
    const std::string_view mantissa = s.substr(0, e);
    const auto point = mantissa.find('.');
    const std::string_view whole = mantissa.substr(0, point);
    const auto firstWhole = whole.find_first_not_of("+-0");
    if (firstWhole != std::string_view::npos) {
        mag = static_cast<long long>(whole.size() - firstWhole);
    } else if (point != std::string_view::npos) {
        const std::string_view frac = mantissa.substr(point + 1);
        const auto first = frac.find_first_not_of('0');
        mag = first == std::string_view::npos ? std::numeric_limits<int>::min()
                                              : -static_cast<long long>(first);
    }
    if (e != std::string_view::npos) {
        std::string_view exp = s.substr(e + 1);
        const bool negative = !exp.empty() && exp.front() == '-';
        if (!exp.empty() && (exp.front() == '-' || exp.front() == '+'))
            exp.remove_prefix(1);
        long long value = 0;
        for (const char c : exp)
            value = std::min(value * 10 + (c - '0'), 1'000'000'000LL);
        mag += negative ? -value : value;
    }
    return mag;
}

struct Read {
    double value = 0;
    const char *end = nullptr; // one past the number read; equals the start when none
    bool overflow = false;
};

// Reads the longest number at the start of `s` ("." decimal point, optional "-", no blanks).
Read readNumber(std::string_view s)
{
    Read r;
    r.end = s.data();
    const auto res = std::from_chars(s.data(), s.data() + s.size(), r.value, std::chars_format::general);
    if (res.ec == std::errc::invalid_argument)
        return r;
    r.end = res.ptr;
    if (res.ec == std::errc::result_out_of_range) {
        const bool negative = !s.empty() && s.front() == '-';
        r.overflow = magnitude(std::string_view(s.data(), static_cast<size_t>(res.ptr - s.data()))) > 0;
        r.value = r.overflow ? std::numeric_limits<double>::infinity() : 0.0;
        if (negative)
            r.value = -r.value;
    }
    return r;
}

// The "."-form of a text that passes the numeric test, or nullopt.
std::optional<std::string> strictForm(QStringView text, QStringView sep)
{
    qsizetype i = 0;
    qsizetype end = text.size();
    while (i < end && isBlank(text[i]))
        ++i;
    while (end > i && isBlank(text[end - 1]))
        --end;
    std::string out;
    if (i < end && (text[i] == u'+' || text[i] == u'-')) {
        if (text[i] == u'-')
            out += '-';
        ++i;
    }
    int digits = 0;
    const auto takeDigits = [&] {
        int taken = 0;
        while (i < end && isDigit(text[i])) {
            out += ascii(text[i++]);
            ++taken;
        }
        return taken;
    };
    digits += takeDigits();
    if (!sep.isEmpty() && text.sliced(i, end - i).startsWith(sep)) {
        out += '.';
        i += sep.size();
        digits += takeDigits();
    }
    if (digits == 0)
        return std::nullopt;
    if (i < end && (text[i] == u'E' || text[i] == u'e')) {
        out += 'e';
        ++i;
        if (i < end && (text[i] == u'+' || text[i] == u'-'))
            out += ascii(text[i++]);
        if (takeDigits() == 0)
            return std::nullopt;
    }
    if (i != end)
        return std::nullopt;
    return out;
}

// The value's digits rounded to `significant` digits and its decimal exponent (value = d.ddd x 10^exp).
struct Digits {
    std::string digits;
    int exponent = 0;
};

Digits decimalDigits(double magnitudeValue, int significant)
{
    char buf[64];
    const auto res =
        std::to_chars(buf, buf + sizeof buf, magnitudeValue, std::chars_format::scientific, significant - 1);
    const std::string_view s(buf, static_cast<size_t>(res.ptr - buf));
    const auto e = s.find('e');
    Digits d;
    for (const char c : s.substr(0, e))
        if (c != '.')
            d.digits += c;
    std::string_view exp = s.substr(e + 1);
    if (exp.front() == '+')
        exp.remove_prefix(1);
    std::from_chars(exp.data(), exp.data() + exp.size(), d.exponent);
    return d;
}

QString nonFinite(double value)
{
    return QString::number(value);
}

} // namespace

bool isNumericText(QStringView text, QStringView decimalSep)
{
    return parseNumber(text, decimalSep).has_value();
}

std::optional<double> parseNumber(QStringView text, QStringView decimalSep)
{
    const auto form = strictForm(text, decimalSep);
    if (!form)
        return std::nullopt;
    const Read r = readNumber(*form);
    if (r.overflow || r.end != form->data() + form->size())
        return std::nullopt;
    return r.value;
}

double valPrefix(QStringView text)
{
    qsizetype i = 0;
    while (i < text.size() && isBlank(text[i]))
        ++i;
    std::string s;
    for (; i < text.size() && text[i].unicode() < 128; ++i)
        s += ascii(text[i]);
    std::string_view v(s);
    bool negative = false;
    if (!v.empty() && (v.front() == '+' || v.front() == '-')) {
        negative = v.front() == '-';
        v.remove_prefix(1);
    }
    // Only digits or a point may start the number (no "inf", "nan" or a second sign).
    if (v.empty() || !(std::isdigit(static_cast<unsigned char>(v.front())) || v.front() == '.'))
        return 0.0;
    const double value = readNumber(v).value;
    return negative ? -value : value;
}

namespace {

// Digits from p on, added to `digits` (which wraps beyond 19 digits: the count tells).
const char *readDigits(const char *p, const char *end, std::uint64_t &digits)
{
    for (; p < end && *p >= '0' && *p <= '9'; ++p)
        digits = digits * 10 + std::uint64_t(*p - '0');
    return p;
}

} // namespace

std::optional<double> plainDecimal(QByteArrayView text)
{
    // Up to 15 digits, digits and divisor are exact doubles and one division rounds as a full
    // conversion does; longer texts take the full conversion.
    static constexpr double Pow10[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                       1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    const char *p = text.data();
    const char *const end = p + text.size();
    const bool negative = p < end && *p == '-';
    p += negative ? 1 : 0;
    std::uint64_t digits = 0;
    const char *const whole = p;
    p = readDigits(p, end, digits);
    std::ptrdiff_t count = p - whole, decimals = 0;
    if (p < end && *p == '.') {
        const char *const fraction = p + 1;
        p = readDigits(fraction, end, digits);
        decimals = p - fraction;
        count += decimals;
    }
    if (p != end || count == 0)
        return std::nullopt;
    if (count < std::ptrdiff_t(std::size(Pow10))) {
        const double value = double(digits) / Pow10[decimals];
        return negative ? -value : value;
    }
    double value = 0;
    const auto read = std::from_chars(text.data(), end, value);
    if (read.ec != std::errc() || read.ptr != end)
        return std::nullopt;
    return value;
}

double roundHalfEven(double value)
{
    if (!std::isfinite(value))
        return value;
    const double lower = std::floor(value);
    const double fraction = value - lower;
    if (fraction < 0.5)
        return lower;
    if (fraction > 0.5)
        return lower + 1.0;
    return std::fmod(lower, 2.0) == 0.0 ? lower : lower + 1.0;
}

namespace {
template <typename Int> std::optional<Int> toWhole(double value)
{
    const double r = roundHalfEven(value);
    if (!std::isfinite(r) || r < std::numeric_limits<Int>::min() || r > std::numeric_limits<Int>::max())
        return std::nullopt;
    return static_cast<Int>(r);
}
} // namespace

std::optional<qint16> toInt16(double value)
{
    return toWhole<qint16>(value);
}

std::optional<qint32> toInt32(double value)
{
    return toWhole<qint32>(value);
}

std::optional<qint16> textToInt16(QStringView text, QStringView decimalSep)
{
    const auto v = parseNumber(text, decimalSep);
    return v ? toInt16(*v) : std::nullopt;
}

namespace {
// The common case of a plain whole number ("-12", " 801 "), read without building a double.
std::optional<qint32> plainWhole(QStringView text)
{
    text = text.trimmed();
    char buf[16];
    if (text.isEmpty() || text.size() > 11)
        return std::nullopt;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!isDigit(text[i]) && !(i == 0 && text[i] == u'-'))
            return std::nullopt;
        buf[i] = ascii(text[i]);
    }
    qint64 value = 0;
    const auto res = std::from_chars(buf, buf + text.size(), value);
    if (res.ec != std::errc() || res.ptr != buf + text.size() || value < std::numeric_limits<qint32>::min() ||
        value > std::numeric_limits<qint32>::max())
        return std::nullopt;
    return static_cast<qint32>(value);
}
} // namespace

std::optional<qint32> textToInt32(QStringView text, QStringView decimalSep)
{
    if (const auto whole = plainWhole(text))
        return whole;
    const auto v = parseNumber(text, decimalSep);
    return v ? toInt32(*v) : std::nullopt;
}

QString localeDecimalSep()
{
    return QLocale().decimalPoint();
}

QString generalText(double value, int significantDigits, bool leadingZero)
{
    if (!std::isfinite(value))
        return nonFinite(value);
    if (value == 0.0)
        return QStringLiteral("0");
    Digits d = decimalDigits(std::fabs(value), significantDigits);
    while (d.digits.size() > 1 && d.digits.back() == '0')
        d.digits.pop_back();
    std::string out = value < 0 ? "-" : "";
    const int exp = d.exponent;
    if (exp < -4 || exp >= significantDigits) {
        out += d.digits.front();
        if (d.digits.size() > 1)
            out += "." + d.digits.substr(1);
        const std::string e = std::to_string(std::abs(exp));
        out += (exp < 0 ? "E-" : "E+") + std::string(e.size() < 2 ? 1 : 0, '0') + e;
    } else if (exp >= 0) {
        const auto whole = static_cast<size_t>(exp + 1);
        if (d.digits.size() < whole)
            d.digits.append(whole - d.digits.size(), '0');
        out += d.digits.substr(0, whole);
        if (d.digits.size() > whole)
            out += "." + d.digits.substr(whole);
    } else {
        out += (leadingZero ? "0." : ".") + std::string(static_cast<size_t>(-exp - 1), '0') + d.digits;
    }
    return QString::fromStdString(out);
}

QString printStyle(qint64 value)
{
    return (value < 0 ? QString() : QStringLiteral(" ")) + QString::number(value) + u' ';
}

QString printStyle(double value)
{
    return (value < 0 ? QString() : QStringLiteral(" ")) + generalText(value, 15, false) + u' ';
}

QString printStyleSingle(float value)
{
    return (value < 0 ? QString() : QStringLiteral(" ")) + generalText(value, 7, false) + u' ';
}

QString standardText(double value, QStringView decimalSep)
{
    QString text = generalText(value, 15, true);
    if (decimalSep != u".")
        text.replace(u'.', decimalSep.toString());
    return text;
}

QString formatFixed(double value, int minIntegerDigits, int decimals, QStringView decimalSep)
{
    if (!std::isfinite(value))
        return nonFinite(value);
    const Digits d = decimalDigits(std::fabs(value), 15);
    std::string ds = d.digits;
    int point = d.exponent + 1; // digits of ds before the decimal point
    if (point < 0) {
        ds.insert(0, static_cast<size_t>(-point), '0');
        point = 0;
    }
    const auto keep = static_cast<size_t>(point + decimals);
    if (ds.size() < keep)
        ds.append(keep - ds.size(), '0');
    const bool roundUp = ds.size() > keep && ds[keep] >= '5';
    ds.resize(keep);
    if (roundUp) {
        auto i = static_cast<std::ptrdiff_t>(keep) - 1;
        for (; i >= 0 && ds[static_cast<size_t>(i)] == '9'; --i)
            ds[static_cast<size_t>(i)] = '0';
        if (i < 0) {
            ds.insert(0, 1, '1');
            ++point;
        } else {
            ++ds[static_cast<size_t>(i)];
        }
    }
    std::string whole = ds.substr(0, static_cast<size_t>(point));
    const std::string fraction = ds.substr(static_cast<size_t>(point));
    whole.erase(0, std::min(whole.find_first_not_of('0'), whole.size()));
    if (whole.size() < static_cast<size_t>(minIntegerDigits))
        whole.insert(0, static_cast<size_t>(minIntegerDigits) - whole.size(), '0');
    const bool negative = value < 0 && ds.find_first_not_of('0') != std::string::npos;
    QString out = (negative ? QStringLiteral("-") : QString()) + QString::fromStdString(whole);
    if (decimals > 0)
        out += decimalSep.toString() + QString::fromStdString(fraction);
    return out;
}

QString format000_000(double value, const QString &decimalSep)
{
    return formatFixed(value, 3, 3, decimalSep);
}

QString format0_000(double value, const QString &decimalSep)
{
    return formatFixed(value, 1, 3, decimalSep);
}

QString format0_0(double value, const QString &decimalSep)
{
    return formatFixed(value, 1, 1, decimalSep);
}

QString format0(double value)
{
    return formatFixed(value, 1, 0, u".");
}

QString alignRight(const QString &text, int width)
{
    return text.rightJustified(width, u' ', false);
}

QString formatAt8(const QString &text)
{
    return alignRight(text, 8);
}

} // namespace NumberFormat
