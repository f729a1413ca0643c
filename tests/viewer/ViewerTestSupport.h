#pragma once
// Loading the module into a viewer window and waiting for its first device
// list, which arrives from the lister's thread.

#include <QtTest>

#include "ViewerWindow.h"

inline bool LoadAndList(ViewerWindow& window)
{
    return window.LoadModule(QStringLiteral(VEXACAM_MODULE_PATH)) &&
           QTest::qWaitFor([&] { return !window.IsListing(); }, 10000);
}
