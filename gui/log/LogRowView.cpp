#include "gui/log/LogRowView.h"

#include "core/files/Codec.h"
#include "core/link/LogExport.h"
#include "core/link/MessageLog.h"
#include "core/texts/Texts.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

QPlainTextEdit* readOnlyText(const QString& name, const QString& text, bool fixedFont) {
    auto* edit = new QPlainTextEdit;
    edit->setObjectName(name);
    edit->setReadOnly(true);
    edit->setLineWrapMode(QPlainTextEdit::NoWrap);
    if (fixedFont)
        edit->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    edit->setPlainText(text);
    return edit;
}

} // namespace

LogRowView::LogRowView(const MessageLog& log, int row, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("frmLogRow"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(GetText(TextId::RowDetailCaption));
    resize(640, 420);

    const qsizetype length = log.byteCount(row);
    QStringList facts{filledText(TextId::RowDetailSummary,
                                 {log.utcTime(row).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")),
                                  MessageLog::directionText(log.direction(row)), QString::number(length)})};
    if (log.notSent(row))
        facts.append(filledText(TextId::RowDetailNotSent, {log.notSentReason(row)}));
    if (log.latencyMs(row) >= 0)
        facts.append(filledText(TextId::RowDetailLatency, {QString::number(log.latencyMs(row))}));
    if (length > MostBytesShown)
        facts.append(
            filledText(TextId::RowDetailCut, {QString::number(MostBytesShown), QString::number(length)}));
    auto* summary = new QLabel(facts.join(QLatin1Char('\n')));
    summary->setObjectName(QStringLiteral("labLogRowSummary"));
    summary->setTextFormat(Qt::PlainText);
    summary->setTextInteractionFlags(Qt::TextSelectableByMouse);

    QByteArray bytes = log.bytes(row);
    QString text = log.text(row);
    if (length > MostBytesShown) {
        bytes.truncate(MostBytesShown);
        text = Cp1252::decode(bytes);
    }
    auto* pages = new QTabWidget;
    pages->addTab(readOnlyText(QStringLiteral("txtLogRowText"), readableText(text), false),
                  GetText(TextId::RowDetailText));
    pages->addTab(readOnlyText(QStringLiteral("txtLogRowHex"), hexDump(bytes), true),
                  GetText(TextId::RowDetailHex));

    auto* buttons = new QDialogButtonBox;
    buttons->addButton(GetText(TextId::RowDetailClose), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(summary);
    layout->addWidget(pages, 1);
    layout->addWidget(buttons);
}

QString LogRowView::hexDump(const QByteArray& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    const QString decoded = Cp1252::decode(bytes);
    QString out;
    out.reserve((bytes.size() / 16 + 1) * 76);
    for (qsizetype line = 0; line < bytes.size(); line += 16) {
        out += QStringLiteral("%1  ").arg(line, 8, 16, QLatin1Char('0'));
        QString characters;
        for (qsizetype i = line; i < line + 16; ++i) {
            if (i < bytes.size()) {
                const auto b = static_cast<unsigned char>(bytes[i]);
                out += QLatin1Char(digits[b >> 4]);
                out += QLatin1Char(digits[b & 0xF]);
                out += QLatin1Char(' ');
                const QChar c = decoded.at(i);
                characters += c.category() == QChar::Other_Control ? QLatin1Char('.') : c;
            } else {
                out += QLatin1String("   ");
            }
            if (i == line + 7)
                out += QLatin1Char(' ');
        }
        out += QLatin1Char(' ') + characters + QLatin1Char('\n');
    }
    return out;
}

QString LogRowView::readableText(const QString& text) {
    QString out;
    out.reserve(text.size());
    qsizetype plain = 0; // start of the text not yet copied
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        const bool control = c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0);
        if (!control || c == '\n' || c == '\t')
            continue;
        out += QStringView(text).sliced(plain, i - plain);
        if (c == '\r') {
            if (i + 1 < text.size() && text[i + 1] == QLatin1Char('\n'))
                ++i;
            out += QLatin1Char('\n');
        } else {
            out += LogExport::escapeControls(QStringView(text).sliced(i, 1));
        }
        plain = i + 1;
    }
    return out + QStringView(text).sliced(plain);
}
