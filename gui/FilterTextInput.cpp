#include "gui/FilterTextInput.h"

#include <QLineEdit>

#include <algorithm>

namespace {
bool isAllowed(QChar c) {
    const char16_t u = c.unicode();
    return (u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z') || (u >= u'0' && u <= u'9') || u == u' ' ||
           u == u'-' || u == u'_';
}
} // namespace

bool isRestrictedText(const QString& text) {
    return std::all_of(text.cbegin(), text.cend(), isAllowed);
}

void FilterTextInput(QLineEdit* box, int maxLength, QString& previousText) {
    const QString text = box->text();
    if (!isRestrictedText(text) || text.size() > maxLength) {
        box->setText(previousText);
        box->end(false);
        return;
    }
    previousText = text;
}
