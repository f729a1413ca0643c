#pragma once
// The module's own message texts that hosts react to, in one place. The
// driver writes them; hosts only recognise them (a test checks that the
// driver's messages and these agree).

#include <QString>

namespace driver_messages {

// Written once per frame and once per software trigger.
inline bool IsPerFrame(const QString& text)
{
    return text.startsWith(QLatin1String("Gige image get: ")) || text.startsWith(QLatin1String("Gige snap image: "));
}

// The device-lost warning: "*****************************cam NAME lost : ".
// Returns the camera name it carries, or a null QString for any other text.
inline QString LostCameraName(const QString& text)
{
    static const QString prefix = QString(29, QLatin1Char('*')) + QLatin1String("cam ");
    static const QString suffix = QStringLiteral(" lost : ");
    if (!text.startsWith(prefix) || !text.endsWith(suffix))
        return QString();
    return text.mid(prefix.size(), text.size() - prefix.size() - suffix.size());
}

}  // namespace driver_messages
