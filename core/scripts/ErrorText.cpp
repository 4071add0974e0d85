#include "core/scripts/ErrorText.h"

#include "core/files/Codec.h"

namespace ErrorText {

bool isAllowed(const QString& text) {
    for (const QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return false;
    }
    return Cp1252::canEncode(text);
}

} // namespace ErrorText
