#include "domain/opnumber.h"

#include <cmath>

namespace tr {

namespace {

bool isBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}
bool isDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

std::optional<double> parseHex(QStringView digits) {
    // Up to eight hexadecimal digits, as the platform's long integers hold.
    if (digits.isEmpty() || digits.size() > 8)
        return std::nullopt;
    double value = 0;
    for (QChar c : digits) {
        int d;
        if (isDigit(c))
            d = c.unicode() - '0';
        else if (c >= QLatin1Char('a') && c <= QLatin1Char('f'))
            d = c.unicode() - 'a' + 10;
        else if (c >= QLatin1Char('A') && c <= QLatin1Char('F'))
            d = c.unicode() - 'A' + 10;
        else
            return std::nullopt;
        value = value * 16 + d;
    }
    return value;
}

std::optional<double> parseDecimal(QStringView s) {
    qsizetype i = 0;
    const auto digitsFrom = [&](qsizetype from) {
        qsizetype j = from;
        while (j < s.size() && isDigit(s[j]))
            ++j;
        return j - from;
    };
    if (i < s.size() && (s[i] == QLatin1Char('+') || s[i] == QLatin1Char('-')))
        ++i;
    qsizetype mantissaDigits = digitsFrom(i);
    i += mantissaDigits;
    if (i < s.size() && s[i] == QLatin1Char('.')) {
        ++i;
        const qsizetype fraction = digitsFrom(i);
        i += fraction;
        mantissaDigits += fraction;
    }
    if (mantissaDigits == 0)
        return std::nullopt;
    if (i < s.size() && (s[i] == QLatin1Char('e') || s[i] == QLatin1Char('E'))) {
        ++i;
        if (i < s.size() && (s[i] == QLatin1Char('+') || s[i] == QLatin1Char('-')))
            ++i;
        const qsizetype exponent = digitsFrom(i);
        if (exponent == 0)
            return std::nullopt;
        i += exponent;
    }
    if (i != s.size())
        return std::nullopt;
    // The text is a well-formed decimal here, so a refusal means it under- or overflowed.
    bool ok = false;
    const double value = s.toString().toDouble(&ok);
    if (ok && std::isfinite(value))
        return value;
    if (value == 0) // too small for a double: it reads as zero
        return s.startsWith(QLatin1Char('-')) ? -0.0 : 0.0;
    return std::nullopt;
}

} // namespace

std::optional<double> parseOperatorNumber(const QString &text) {
    QStringView s(text);
    while (!s.isEmpty() && isBlank(s.front()))
        s = s.mid(1);
    while (!s.isEmpty() && isBlank(s.back()))
        s.chop(1);
    if (s.size() >= 2 && s[0] == QLatin1Char('&') &&
        (s[1] == QLatin1Char('H') || s[1] == QLatin1Char('h')))
        return parseHex(s.mid(2));
    return parseDecimal(s);
}

double roundDown(double value) {
    return std::floor(value);
}

double roundHalfEven(double value) {
    // The default rounding mode sends halves to the even neighbour.
    return std::nearbyint(value);
}

std::optional<long long> wholeHalfEven(const QString &text, long long lo, long long hi) {
    const std::optional<double> value = parseOperatorNumber(text);
    if (!value)
        return std::nullopt;
    const double r = roundHalfEven(*value);
    if (r < static_cast<double>(lo) || r > static_cast<double>(hi))
        return std::nullopt;
    return static_cast<long long>(r);
}

} // namespace tr
