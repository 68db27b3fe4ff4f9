// Updating the resources of an executable file in place: the wrappers through which a build
// stamps version, icon and bitmap resources into the executable it produced. Every resource
// is written with language 1033 (US English) and the file's other resources are kept.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

namespace kvplatform {

// A resource type or name: an integer id, or a UTF-8 string. Implicit, so that calls read
// as the resource script does: UpdateSingleResource(path, 2, "logo.bmp", ...).
struct ResourceId {
  ResourceId(std::uint16_t id) : number(id) {}
  ResourceId(std::string text) : name(std::move(text)), isName(true) {}
  ResourceId(const char* text) : ResourceId(std::string(text)) {}

  std::uint16_t number = 0;
  std::string name;
  bool isName = false;
};

// One pending update of one file. Changes reach the file only through
// EndResourceUpdate(update, false); an update still open when this is destroyed is
// discarded.
class ResourceUpdate {
public:
  ResourceUpdate() = default;
  explicit ResourceUpdate(void* handle) : handle(handle) {}
  ~ResourceUpdate();
  ResourceUpdate(ResourceUpdate&& other) noexcept : handle(other.Release()) {}
  ResourceUpdate& operator=(ResourceUpdate&& other) noexcept;
  ResourceUpdate(const ResourceUpdate&) = delete;
  ResourceUpdate& operator=(const ResourceUpdate&) = delete;

  explicit operator bool() const { return handle != nullptr; }
  void* Get() const { return handle; }
  void* Release() {
    void* taken = handle;
    handle = nullptr;
    return taken;
  }

private:
  void* handle = nullptr;
};

// Starts an update of the file at path; an empty update when the file cannot be updated
// (for example when it is not an executable image).
ResourceUpdate BeginResourceUpdate(const std::string& path);

// Adds or replaces one resource. False on an empty update or when the platform refuses.
bool UpdateResourceEntry(ResourceUpdate& update, const ResourceId& type, const ResourceId& name, const void* data,
                         std::uint32_t size);

// Ends the update, writing the changes unless discard is true. The update is empty
// afterwards; false on an empty update or when the platform fails.
bool EndResourceUpdate(ResourceUpdate& update, bool discard);

// One resource in one begin/update/end cycle; the file is left unchanged on any failure.
bool UpdateSingleResource(const std::string& path, const ResourceId& type, const ResourceId& name,
                          const void* data, std::uint32_t size);

}  // namespace kvplatform
