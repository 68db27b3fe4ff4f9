#include "platform/ResourceUpdate.h"

// There is no resource writer for PE images on POSIX yet: every update reports failure and
// no file is touched.

namespace kvplatform {

ResourceUpdate::~ResourceUpdate() = default;

ResourceUpdate& ResourceUpdate::operator=(ResourceUpdate&& other) noexcept {
  handle = other.Release();
  return *this;
}

ResourceUpdate BeginResourceUpdate(const std::string&) { return ResourceUpdate(); }

bool UpdateResourceEntry(ResourceUpdate& update, const ResourceId&, const ResourceId&, const void*, std::uint32_t) {
  return static_cast<bool>(update);
}

bool EndResourceUpdate(ResourceUpdate& update, bool) { return update.Release() != nullptr; }

bool UpdateSingleResource(const std::string& path, const ResourceId& type, const ResourceId& name,
                          const void* data, std::uint32_t size) {
  ResourceUpdate update = BeginResourceUpdate(path);
  if (!update || !UpdateResourceEntry(update, type, name, data, size)) return false;
  return EndResourceUpdate(update, false);
}

}  // namespace kvplatform
