#include "platform/ResourceUpdate.h"

#include <windows.h>

#include "common/Text.h"

namespace kvplatform {

namespace {

constexpr WORD kLanguage = 1033;

// The wide form the resource functions take: MAKEINTRESOURCEW for ids, the text otherwise.
// The wide string must outlive the returned pointer.
LPCWSTR AsResource(const ResourceId& id, kvtext::WideString& wide) {
  if (!id.isName) return MAKEINTRESOURCEW(id.number);
  wide = kvtext::Utf8ToWide(id.name);
  return wide.c_str();
}

}  // namespace

ResourceUpdate::~ResourceUpdate() {
  if (handle != nullptr) EndUpdateResourceW(handle, TRUE);
}

ResourceUpdate& ResourceUpdate::operator=(ResourceUpdate&& other) noexcept {
  if (this != &other) {
    if (handle != nullptr) EndUpdateResourceW(handle, TRUE);
    handle = other.Release();
  }
  return *this;
}

ResourceUpdate BeginResourceUpdate(const std::string& path) {
  if (path.empty() || path.find('\0') != std::string::npos) return ResourceUpdate();
  const kvtext::WideString widePath = kvtext::Utf8ToWide(path);
  return ResourceUpdate(BeginUpdateResourceW(widePath.c_str(), FALSE));
}

bool UpdateResourceEntry(ResourceUpdate& update, const ResourceId& type, const ResourceId& name, const void* data,
                         std::uint32_t size) {
  if (!update) return false;
  kvtext::WideString wideType, wideName;
  return UpdateResourceW(update.Get(), AsResource(type, wideType), AsResource(name, wideName), kLanguage,
                         const_cast<void*>(data), size) != FALSE;
}

bool EndResourceUpdate(ResourceUpdate& update, bool discard) {
  if (!update) return false;
  return EndUpdateResourceW(update.Release(), discard ? TRUE : FALSE) != FALSE;
}

bool UpdateSingleResource(const std::string& path, const ResourceId& type, const ResourceId& name,
                          const void* data, std::uint32_t size) {
  ResourceUpdate update = BeginResourceUpdate(path);
  if (!update) return false;
  if (!UpdateResourceEntry(update, type, name, data, size)) {
    EndResourceUpdate(update, true);
    return false;
  }
  return EndResourceUpdate(update, false);
}

}  // namespace kvplatform
