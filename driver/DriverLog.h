#pragma once
// The module's messages go through Qt's message logger without file, line or
// function context, so the host's handler sees exactly the texts below.

#include <QByteArray>
#include <QDateTime>
#include <QMessageLogger>

namespace driverlog {

// Milliseconds since 1970-01-01 UTC as decimal text, for "%s" in the
// frame and snap messages.
inline QByteArray Timestamp()
{
    return QByteArray::number(QDateTime::currentMSecsSinceEpoch());
}

inline void Debug(const char* text)
{
    QMessageLogger().debug("%s", text);
}

template <typename Arg>
inline void Debug(const char* format, const Arg& arg)
{
    QMessageLogger().debug(format, arg.constData());
}

template <typename Arg>
inline void Warning(const char* format, const Arg& arg)
{
    QMessageLogger().warning(format, arg.constData());
}

}  // namespace driverlog
