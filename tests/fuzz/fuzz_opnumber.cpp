// parseOperatorNumber and wholeHalfEven with any text, as UTF-8 or as raw UTF-16 code units
// (unpaired surrogates, NUL), checked against a plain model of the notation.
//
// Input: mode, lo (int32 LE), hi (int32 LE), a double (8 bytes), then the text.
//   mode bit 0: the text is raw UTF-16 code units (little-endian pairs), else UTF-8.
#include "domain/opnumber.h"
#include "fuzzcheck.h"

#include <QRegularExpression>
#include <cmath>

using namespace tr;

// The notation from its description: blanks (space, tab) around, then "&H" with one to eight hex
// digits, or a decimal in C notation with ASCII digits. A decimal that overflows a double is not
// a number; one that underflows is a tiny number.
static std::optional<double> model(const QString &text) {
    static const QRegularExpression notation(
        QStringLiteral("^[ \\t]*(?:&[Hh]([0-9A-Fa-f]{1,8})"
                       "|([+-]?(?:[0-9]+\\.?[0-9]*|\\.[0-9]+)(?:[eE][+-]?[0-9]+)?))[ \\t]*\\z"));
    const auto m = notation.match(text);
    const double v = m.hasCaptured(1) ? double(m.captured(1).toULongLong(nullptr, 16))
                                      : std::strtod(m.captured(2).toLatin1().constData(), nullptr);
    return m.hasMatch() && !std::isinf(v) ? std::optional(v) : std::nullopt;
}

void trfuzz::fuzzOne(Input in) {
    const auto mode = get<std::uint8_t>(in);
    const long long lo = get<std::int32_t>(in), hi = get<std::int32_t>(in);
    const auto v = get<double>(in);
    const QByteArray raw(reinterpret_cast<const char *>(in.data()), qsizetype(in.size()));
    const auto *units = reinterpret_cast<const QChar *>(raw.constData());
    const QString text = mode & 1 ? QString(units, raw.size() / 2) : QString::fromUtf8(raw);

    const std::optional<double> want = model(text);
    FUZZ_CHECK(parseOperatorNumber(text) == want);
    // Round to nearest, the default mode, is the halves-to-even rounding.
    const double r = want ? std::nearbyint(*want) : 0;
    const bool fits = want && r >= double(lo) && r <= double(hi);
    FUZZ_CHECK(wholeHalfEven(text, lo, hi) == (fits ? std::optional<long long>(r) : std::nullopt));
    // What the program itself shows with 17 digits reads back as the very same number.
    FUZZ_CHECK(!std::isfinite(v) || parseOperatorNumber(QString::number(v, 'g', 17)) == v);
}
