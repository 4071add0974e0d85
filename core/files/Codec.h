#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Windows-1252, the 8-bit code page of the files and of the wire. Decoding maps every byte 0x00-0xFF to one
// character and encoding maps it back, so arbitrary bytes survive a round trip.
namespace Cp1252 {
QString decode(QByteArrayView bytes);
// Characters that have no Windows-1252 byte become '?'; *lossless tells whether that happened.
QByteArray encode(const QString& text, bool* lossless = nullptr);
bool canEncode(const QString& text);
} // namespace Cp1252
