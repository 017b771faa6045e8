// readSettingsFields with any file content and any field count of the two settings files.
//
// Input: one byte choosing the count (1 + byte % 8), then the file content.
#include "domain/settingsfile.h"
#include "fuzzcheck.h"

#include <QByteArray>
#include <QRegularExpression>
#include <QString>

using namespace tr;
using trfuzz::FuzzInput;

namespace {

QByteArray joined(const std::vector<std::int16_t> &values, const char *separator, const char *blank,
                  const char *end) {
    QByteArray out;
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i > 0)
            out += separator;
        out += blank + QByteArray::number(values[i]) + blank;
    }
    return out + end;
}

QString shown(const std::vector<std::int16_t> &values) {
    QStringList parts;
    for (auto v : values)
        parts << QString::number(v);
    return parts.join(QLatin1Char(','));
}

// The same values must come back from every layout the reader promises to take alike.
void checkReadsBack(const std::vector<std::int16_t> &values, const QByteArray &layout) {
    const SettingsFields again = readSettingsFields(layout, static_cast<int>(values.size()));
    FUZZ_CHECK(again.ok() && again.values == values, "\"%s\" read back as [%s] (field %d), not [%s]",
               layout.toPercentEncoding().constData(), qPrintable(shown(again.values)),
               again.error ? again.error->field : 0, qPrintable(shown(values)));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    FuzzInput in(data, size);
    const int count = 1 + in.u8() % 8;
    const auto rest = in.rest();
    const QByteArray content(reinterpret_cast<const char *>(rest.data()),
                             static_cast<qsizetype>(rest.size()));

    const SettingsFields got = readSettingsFields(content, count);
    if (!got.ok()) {
        // Every refusal names the field it stopped at, and the fields before it read alone.
        const int field = got.error->field;
        FUZZ_CHECK(field >= 1 && field <= count, "reason names field %d of %d", field, count);
        FUZZ_CHECK(got.error->kind != SettingsError::Kind::Unreadable, "content read as unreadable");
        if (field > 1)
            FUZZ_CHECK(readSettingsFields(content, field - 1).ok(),
                       "fails at field %d, but the %d fields before do not read", field, field - 1);
        return 0;
    }

    FUZZ_CHECK(static_cast<int>(got.values.size()) == count, "%zu values for %d fields",
               got.values.size(), count);
    // Fields are read in order: fewer of them are the front of the same values.
    for (int fewer = 1; fewer < count; ++fewer) {
        const SettingsFields front = readSettingsFields(content, fewer);
        FUZZ_CHECK(front.ok() &&
                       std::equal(front.values.begin(), front.values.end(), got.values.begin()),
                   "%d fields read as [%s], %d as [%s]", count, qPrintable(shown(got.values)),
                   fewer, qPrintable(shown(front.values)));
    }
    // Written back the way comm.set is written, and in the other layouts the reader takes.
    checkReadsBack(got.values, joined(got.values, ",", "", "\r\n"));
    checkReadsBack(got.values, joined(got.values, "\r\n", "", "\r\n"));
    checkReadsBack(got.values, joined(got.values, "\n", "", ""));
    checkReadsBack(got.values, joined(got.values, ",", " \t", "\r\n,junk"));
    checkReadsBack(got.values, joined(got.values, ",\r\n\r\n", "", "\r\n") + content);
    return 0;
}
