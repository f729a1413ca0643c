#pragma once
// Prints Qt messages (the module's among them) to stderr with a time prefix.

namespace host_log {

// `quiet` hides the per-frame messages ("Gige image get", "Gige snap image").
void Install(bool quiet);

}  // namespace host_log
