#pragma once
// camera-host's own error lines: "camera-host: reason" on stderr.

#include <QString>

void PrintError(const QString& message);
