#include "Accessibility.h"

#include <QLabel>
#include <QRegularExpression>

namespace Accessibility {

namespace {

// "最大负载电流:" -> "最大负载电流", "&Port:" -> "Port", "索引:0x" -> "索引".
QString SpokenLabel(const QString& text)
{
    QString spoken = text;
    spoken.replace(QLatin1String("&&"), QStringLiteral("\x01"));
    spoken.remove(QLatin1Char('&'));
    spoken.replace(QStringLiteral("\x01"), QStringLiteral("&"));
    static const QRegularExpression kTail(QStringLiteral("\\s*[:：]\\s*(0x)?\\s*$"));
    spoken.remove(kTail);
    return spoken.trimmed();
}

}  // namespace

void NameInputsFromLabels(QWidget* root)
{
    for (const QLabel* label : root->findChildren<QLabel*>()) {
        QWidget* input = label->buddy();
        if (input == nullptr || !input->accessibleName().isEmpty()) continue;
        const QString name = SpokenLabel(label->text());
        if (!name.isEmpty()) input->setAccessibleName(name);
    }
}

}  // namespace Accessibility
