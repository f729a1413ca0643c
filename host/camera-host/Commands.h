#pragma once
// camera-host's two commands; each returns the process exit code.

#include "ExitCodes.h"
#include "HostOptions.h"
#include "ModuleLoader.h"

int RunList(const HostOptions& options, const ModuleLoader& module);
int RunGrab(const HostOptions& options, const ModuleLoader& module);
int RunFeatures(const HostOptions& options, const ModuleLoader& module);
