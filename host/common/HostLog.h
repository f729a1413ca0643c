#pragma once
// The one formatter for what a host here prints: the module's Qt messages,
// the capture library's GLib messages and the host's own lines, each as
// "HH:mm:ss.zzz level: text" on stderr. A progress line on a terminal stays
// the last line: a message clears it, is printed, and the line is drawn again.

#include <QString>
#include <functional>

namespace host_log {

enum class Verbosity {
    Quiet,    // errors only
    Normal,   // warnings and errors
    Verbose,  // every message, the module's per-frame ones included
};

// Routes Qt's and GLib's messages through the formatter.
void Install(Verbosity verbosity);

// "HH:mm:ss.zzz level: text", the line every host here shows for a message.
QString Format(const char* level, const QString& text);

// Called (on the thread that wrote it) for each device-lost warning of the
// module, with the camera name it carries; empty to stop.
void OnCameraLost(std::function<void(const QString& camera)> listener);

// Called (on the thread that wrote it, so it must not block) for every Qt
// and GLib message, whatever the verbosity, with its level and text; a
// window shows them with Format. Empty to stop.
void OnMessage(std::function<void(const char* level, const QString& text)> listener);

// The progress line (only on a terminal): Show replaces it, Clear removes it.
void ShowProgress(const QString& text);
void ClearProgress();

// One line of the host's own on stderr (errors, "camera-host: …").
void PrintLine(const QString& text);

}  // namespace host_log
