#pragma once
// Saving the shown frame: PNG for 8-bit gray and colour (a fourth byte of
// 32-bit pixels is padding and is not saved), 16-bit PGM for 16-bit gray,
// which PNG viewers would show as 8 bits.

#include <QString>

#include "Frame.h"

// "<device>-frame<number>.png" (".pgm" for 16 bits), with characters a file
// name cannot hold replaced.
QString DefaultSaveName(const QString& device, const Frame& frame);

// Writes `frame` to `path` in the format its depth asks for; false with a reason.
bool SaveFrame(const Frame& frame, const QString& path, QString* error);
