// readSettingsFields with any file content and any field count of the two settings files.
//
// Input: one byte choosing the count (1 + byte % 8), then the file content.
#include "domain/settingsfile.h"
#include "fuzzcheck.h"

using namespace tr;

void trfuzz::fuzzOne(Input in) {
    const int count = 1 + get<std::uint8_t>(in) % 8;
    const QByteArray content(reinterpret_cast<const char *>(in.data()), qsizetype(in.size()));
    const SettingsFields got = readSettingsFields(content, count);
    // A refusal names the field it stopped at; the fields before it read on their own.
    const int field = got.ok() ? count : got.error->field;
    FUZZ_CHECK(got.ok() ? int(got.values.size()) == count : field >= 1 && field <= count);
    FUZZ_CHECK(field == 1 || readSettingsFields(content, field - 1).ok());
    // Written back with commas, line ends or blanks around commas between the fields, and junk
    // after the last one, the same values read back.
    for (const char *separator : {",", "\n", " \t,\t "}) {
        QByteArray file;
        for (const std::int16_t v : got.values)
            file += QByteArray::number(v) + separator;
        FUZZ_CHECK(!got.ok() || readSettingsFields(file + "\r\n,junk", count).values == got.values);
    }
}
