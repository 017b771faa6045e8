#pragma once

#include <QByteArray>

namespace tr {

// What became of a request, as the line shows it: the answer decoded, a complete answer with a
// wrong CRC, fewer bytes than the answer needs, nothing at all, or a Modbus exception answer
// (station, function | 0x80, code, CRC).
enum class Verdict { Decoded, BadCrc, Short, NoAnswer, Exception };

// The verdict on bytes received for a request of `kind` expecting `expectedLen` bytes. An
// exception answer is recognised first: with the receive threshold at the expected length its
// five bytes never raise a receive event by themselves and are judged when they are dropped.
Verdict classifyAnswer(int kind, int expectedLen, const QByteArray &bytes);

} // namespace tr
