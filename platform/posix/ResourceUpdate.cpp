#include "platform/ResourceUpdate.h"

// Our own writer of the PE resource section, doing what BeginUpdateResourceW,
// UpdateResourceW and EndUpdateResourceW do on Windows: the handle owns the pending
// changes; the end reads the file again, merges them into its resources and writes the
// whole new image to a temporary file beside it, which then replaces it by rename. On any
// failure the file is left as it was.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <locale.h>
#include <wctype.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "common/Text.h"
#include "pe/ResourceImage.h"
#include "pe/ResourceSection.h"
#include "platform/Platform.h"

namespace kvplatform {

namespace {

using kvpe::ResourceImage;
using kvpe::ResourceSection;

constexpr std::uint16_t kLanguage = 1033;

struct PendingUpdate {
  std::string path;
  struct Change {
    ResourceSection::Key type;
    ResourceSection::Key name;
    bool remove = false;
    std::string data;
  };
  std::vector<Change> changes;
};

// UpdateResourceW stores a type or name string in upper case (Wine: "logo.bmp" becomes
// "LOGO.BMP", "naïve" "NAÏVE"); resources already in the file keep theirs. Each UTF-16 unit
// outside the surrogates is mapped by the C library's Unicode tables (C.UTF-8), ASCII
// letters alone where that locale is missing.
char16_t Upcase(char16_t unit) {
  static const locale_t unicode = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
  if (unit >= 0xD800 && unit <= 0xDFFF) return unit;
  if (unicode == static_cast<locale_t>(0)) return unit >= u'a' && unit <= u'z' ? static_cast<char16_t>(unit - 32) : unit;
  const wint_t upper = towupper_l(static_cast<wint_t>(unit), unicode);
  return upper <= 0xFFFF && !(upper >= 0xD800 && upper <= 0xDFFF) ? static_cast<char16_t>(upper) : unit;
}

ResourceSection::Key AsKey(const ResourceId& id) {
  if (!id.isName) return ResourceSection::Key::Id(id.number);
  const kvtext::WideString wide = kvtext::Utf8ToWide(id.name);
  std::u16string name;
  for (const kvtext::WideChar unit : wide) name.push_back(Upcase(static_cast<char16_t>(unit)));
  return ResourceSection::Key::Name(std::move(name));
}

bool WriteAll(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t wrote = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) return false;
    done += static_cast<std::size_t>(wrote);
  }
  return true;
}

// Replaces the file at path by bytes: a temporary file beside it, with the file's permission
// bits, flushed to disk, then renamed over it. The file is unchanged on any failure.
bool ReplaceFile(const std::string& linkPath, const std::string& bytes) {
  // A symbolic link stays one: the file it names is replaced.
  std::string path = linkPath;
  if (char* resolved = ::realpath(linkPath.c_str(), nullptr)) {
    path = resolved;
    std::free(resolved);
  }
  struct stat info;
  if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  std::string temp = path + ".kvrsrc-XXXXXX";
  const int fd = ::mkstemp(&temp[0]);
  if (fd < 0) return false;
  bool ok = ::fchmod(fd, info.st_mode & 07777) == 0 && WriteAll(fd, bytes) && ::fsync(fd) == 0;
  ok = ::close(fd) == 0 && ok;
  ok = ok && ::rename(temp.c_str(), path.c_str()) == 0;
  if (!ok) ::unlink(temp.c_str());
  return ok;
}

// The file's resources with the changes merged; false when the file is not an image whose
// resources can be read.
bool ReadImage(const std::string& path, std::string& bytes, ResourceImage& image, ResourceSection& resources) {
  return ReadFileBytes(path, bytes) && image.Parse(bytes) && image.ReadResources(resources);
}

}  // namespace

ResourceUpdate::~ResourceUpdate() { delete static_cast<PendingUpdate*>(handle); }

ResourceUpdate& ResourceUpdate::operator=(ResourceUpdate&& other) noexcept {
  if (this != &other) {
    delete static_cast<PendingUpdate*>(handle);
    handle = other.Release();
  }
  return *this;
}

ResourceUpdate BeginResourceUpdate(const std::string& path) {
  if (path.empty() || path.find('\0') != std::string::npos) return ResourceUpdate();
  // As BeginUpdateResourceW checks: an image whose resources can be read now, and a file
  // this process may write.
  std::string bytes;
  ResourceImage image;
  ResourceSection resources;
  if (!ReadImage(path, bytes, image, resources) || ::access(path.c_str(), W_OK) != 0) return ResourceUpdate();
  auto pending = std::make_unique<PendingUpdate>();
  pending->path = path;
  return ResourceUpdate(pending.release());
}

bool UpdateResourceEntry(ResourceUpdate& update, const ResourceId& type, const ResourceId& name, const void* data,
                         std::uint32_t size) {
  if (!update) return false;
  // Data without bytes is refused and no data with a size too, as Wine's UpdateResourceW
  // refuses them; no data and no size removes the resource.
  if ((data == nullptr) != (size == 0)) return false;
  if (type.isName && type.name.empty()) return false;
  if (name.isName && name.name.empty()) return false;
  PendingUpdate::Change change;
  change.type = AsKey(type);
  change.name = AsKey(name);
  change.remove = data == nullptr;
  if (data != nullptr) change.data.assign(static_cast<const char*>(data), size);
  static_cast<PendingUpdate*>(update.Get())->changes.push_back(std::move(change));
  return true;
}

bool EndResourceUpdate(ResourceUpdate& update, bool discard) {
  if (!update) return false;
  const std::unique_ptr<PendingUpdate> pending(static_cast<PendingUpdate*>(update.Release()));
  if (discard) return true;
  // The file as it is now, as EndUpdateResourceW reads it.
  std::string bytes;
  ResourceImage image;
  ResourceSection resources;
  if (!ReadImage(pending->path, bytes, image, resources)) return false;
  for (PendingUpdate::Change& change : pending->changes) {
    if (change.remove) {
      resources.Remove(change.type, change.name, kLanguage);
    } else {
      resources.Set(change.type, change.name, kLanguage, std::move(change.data));
    }
  }
  std::string rebuilt;
  if (!image.Rebuild(resources, rebuilt)) return false;
  return ReplaceFile(pending->path, rebuilt);
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
