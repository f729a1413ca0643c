#pragma once
// Display names for the codes the contract shares. Defined in the header with
// internal linkage: every translation unit that includes it builds its own copy
// at static initialisation and releases it at unload. Nothing is exported.

#include <QMap>
#include <QString>

static const QMap<int, QString> CameraTypeNames = {
    {0, QStringLiteral("Unknown(0)")},
    {100, QStringLiteral("Virtual Camera(100)")},
    {110, QStringLiteral("BitFlow(110)")},
    {120, QStringLiteral("Gige(120)")},
    {130, QStringLiteral("USB Camera(130)")},
    {140, QStringLiteral("HIK(140)")},
    {150, QStringLiteral("Vimba(150)")},
    {160, QStringLiteral("Baumer(160)")},
    {170, QStringLiteral("AdLink(170)")},
    {180, QStringLiteral("DaHua(180)")},
    {190, QStringLiteral("Basler(190)")},
    {200, QStringLiteral("PtGray(200)")},
    {220, QStringLiteral("Euresys(220)")},
    {230, QStringLiteral("Dalsa(230)")},
};

static const QMap<int, QString> CameraStateNames = {
    {0, QStringLiteral("Uninitialized")},
    {1, QStringLiteral("Initialized")},
    {2, QStringLiteral("Opened")},
    {3, QStringLiteral("Running")},
    {4, QStringLiteral("Paused")},
    {5, QStringLiteral("Closed")},
};

static const QMap<int, QString> PixelFormatNames = {
    {0, QStringLiteral("None")},
    {1, QStringLiteral("GRAY8")},
    {2, QStringLiteral("RGB24")},
    {3, QStringLiteral("RGB32")},
    {4, QStringLiteral("GRAY16")},
    {5, QStringLiteral("RGB48")},
    {11, QStringLiteral("BGR24")},
    {12, QStringLiteral("BGR32")},
};
