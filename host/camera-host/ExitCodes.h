#pragma once
// camera-host's exit codes; the README lists them.

enum ExitCode {
    ExitOk = 0,
    ExitUsage = 2,
    ExitModule = 3,
    ExitNoCamera = 4,
    ExitNoSuchDevice = 5,
    ExitOpen = 6,
    ExitStart = 7,
    ExitTimeout = 8,
    ExitSave = 9,
    ExitCameraLost = 10,
    ExitSetting = 11,  // the settings file or a --feature refused at open
    // Ended by a signal: 128 + the signal's number, as a shell reports it.
    ExitInterrupted = 130,  // SIGINT
    ExitTerminated = 143,   // SIGTERM
};
