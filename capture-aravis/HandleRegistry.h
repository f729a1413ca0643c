#pragma once
// The library's live handles. A null, unknown or released handle is refused
// instead of dereferenced, and a call in progress keeps its handle alive
// while another thread releases it.

#include <memory>
#include <string>

#include "Grabber.h"

namespace handle_registry {

HGRABBER Add(std::shared_ptr<Grabber> grabber);
std::shared_ptr<Grabber> Find(HGRABBER handle);
// Removes the handle; returns its grabber (null if it was not registered).
std::shared_ptr<Grabber> Remove(HGRABBER handle);
// The handle that has `deviceId` open, if any.
std::shared_ptr<Grabber> FindByDevice(const std::string& deviceId);

}  // namespace handle_registry
