// parseOperatorNumber and the two whole-number readings with any text, as UTF-8 or as raw
// UTF-16 code units (unpaired surrogates, NUL), checked against a plain model of the notation.
//
// Input: mode, lo (int32 LE), hi (int32 LE), a double (8 bytes), then the text.
//   mode bit 0: the text is raw UTF-16 code units (little-endian pairs), else UTF-8;
//   mode bit 1: lo/hi are the bounds a caller uses (chosen by lo's low bits).
#include "domain/opnumber.h"
#include "fuzzcheck.h"

#include <QRegularExpression>
#include <QString>
#include <cerrno>
#include <cfenv>
#include <climits>
#include <cmath>
#include <cstdlib>

using namespace tr;
using trfuzz::FuzzInput;

namespace {

QByteArray shown(const QString &text) {
    return text.toUtf8().toPercentEncoding(" &.+-");
}

// What the operator's notation means, from its description: blanks (space, tab) around,
// then "&H" with one to eight hex digits, or a decimal number in C notation with ASCII digits.
// A decimal that overflows a double is not a number; one that underflows is a tiny number.
std::optional<double> model(const QString &text) {
    static const QRegularExpression hex(
        QStringLiteral("^[ \\t]*&[Hh]([0-9A-Fa-f]{1,8})[ \\t]*\\z"));
    static const QRegularExpression decimal(QStringLiteral(
        "^[ \\t]*([+-]?(?:[0-9]+\\.?[0-9]*|\\.[0-9]+)(?:[eE][+-]?[0-9]+)?)[ \\t]*\\z"));
    if (const auto m = hex.match(text); m.hasMatch())
        return static_cast<double>(
            std::strtoull(m.captured(1).toLatin1().constData(), nullptr, 16));
    if (const auto m = decimal.match(text); m.hasMatch()) {
        const QByteArray literal = m.captured(1).toLatin1();
        errno = 0;
        const double v = std::strtod(literal.constData(), nullptr);
        if (std::isinf(v))
            return std::nullopt;
        return v;
    }
    return std::nullopt;
}

bool same(double a, double b) {
    return a == b && std::signbit(a) == std::signbit(b);
}

void checkParse(const QString &text) {
    const std::optional<double> got = parseOperatorNumber(text);
    const std::optional<double> want = model(text);
    FUZZ_CHECK(got.has_value() == want.has_value() && (!got || same(*got, *want)),
               "\"%s\" reads as %s%.17g, not %s%.17g", shown(text).constData(), got ? "" : "none ",
               got.value_or(0), want ? "" : "none ", want.value_or(0));
}

void checkWhole(const QString &text, std::optional<double> value, long long lo, long long hi) {
    // Round to nearest in the default mode is the halves-to-even rounding.
    const auto expect = [&](double r) -> std::optional<long long> {
        if (!value || r < static_cast<double>(lo) || r > static_cast<double>(hi))
            return std::nullopt;
        return static_cast<long long>(r);
    };
    const auto even = wholeHalfEven(text, lo, hi);
    const auto wantEven = expect(value ? std::nearbyint(*value) : 0);
    FUZZ_CHECK(even == wantEven, "\"%s\" in [%lld, %lld] half-even: %s%lld, not %s%lld",
               shown(text).constData(), lo, hi, even ? "" : "none ", even.value_or(0),
               wantEven ? "" : "none ", wantEven.value_or(0));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    FUZZ_CHECK(std::fegetround() == FE_TONEAREST, "the model needs round-to-nearest");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    FuzzInput in(data, size);
    const std::uint8_t mode = in.u8();
    long long lo = static_cast<std::int32_t>(in.u32());
    long long hi = static_cast<std::int32_t>(in.u32());
    const double v = in.f64();
    const auto rest = in.rest();
    QString text;
    if (mode & 1) {
        QString units(static_cast<qsizetype>(rest.size() / 2), Qt::Uninitialized);
        for (std::size_t i = 0; i + 1 < rest.size(); i += 2)
            units[static_cast<qsizetype>(i / 2)] =
                QChar(static_cast<char16_t>(rest[i] | rest[i + 1] << 8));
        text = units;
    } else {
        text = QString::fromUtf8(reinterpret_cast<const char *>(rest.data()),
                                 static_cast<qsizetype>(rest.size()));
    }
    if (mode & 2) {
        // Station and other request bytes, calibration values, the cyclic interval.
        static constexpr long long kBounds[][2] = {
            {0, 255}, {0, 65535}, {INT_MIN, INT_MAX}, {1, INT_MAX}};
        const auto pick = static_cast<std::size_t>(lo & 3);
        lo = kBounds[pick][0];
        hi = kBounds[pick][1];
    }

    checkParse(text);
    checkWhole(text, parseOperatorNumber(text), lo, hi);

    if (std::isfinite(v)) {
        // What the program itself shows with 17 digits reads back as the very same number.
        for (const QString &written : {QString::number(v, 'g', 17), QString::number(v, 'e', 16)}) {
            const auto back = parseOperatorNumber(written);
            FUZZ_CHECK(back && *back == v, "%.17g written as \"%s\" reads as %s%.17g", v,
                       qPrintable(written), back ? "" : "none ", back.value_or(0));
        }
        // Long digit runs without exponent.
        checkParse(QString::number(v, 'f', 0));
        FUZZ_CHECK(roundDown(v) == std::floor(v), "roundDown(%.17g) = %.17g", v, roundDown(v));
        FUZZ_CHECK(roundHalfEven(v) == std::nearbyint(v), "roundHalfEven(%.17g) = %.17g, not %.17g",
                   v, roundHalfEven(v), std::nearbyint(v));
    }
    return 0;
}
