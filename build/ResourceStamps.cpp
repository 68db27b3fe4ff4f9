#include "build/ResourceStamps.h"

#include <cstdint>
#include <vector>

#include "build/IconFile.h"
#include "common/ByteIO.h"
#include "platform/Platform.h"
#include "platform/ResourceUpdate.h"
#include "project/Project.h"

namespace kvbuild {

namespace {

constexpr std::uint64_t kBitmapFileHeaderSize = 14;

StepReport Report(BuildStep step, StepOutcome outcome, std::string path, std::string detail) {
  return {step, outcome, std::move(path), std::move(detail)};
}

}  // namespace

StepReport StampIcon(const KVProject& project, const std::string& executablePath) {
  // The project's icon item is the file its Icon element names, when that is a plain name.
  const ProjectItem* iconItem = nullptr;
  for (const auto& item : project.Items()) {
    if (item->type == ProjectItemType::Icon) iconItem = item.get();
  }
  if (iconItem == nullptr || iconItem->fileName.empty())
    return Report(BuildStep::Icon, StepOutcome::Skipped, executablePath, "the project names no icon");
  const std::string iconPath = iconItem->Path();
  const std::string& iconName = iconItem->fileName;

  KVIconFile icon;
  if (!icon.Load(iconPath)) return Report(BuildStep::Icon, StepOutcome::Failed, iconPath, "missing or not an icon file");
  std::vector<std::string> images(icon.Count());
  for (std::uint32_t i = 0; i < icon.Count(); ++i) {
    if (!icon.ImageBytes(i, images[i]))
      return Report(BuildStep::Icon, StepOutcome::Failed, iconPath, "image " + std::to_string(i + 1) + " cannot be read");
  }

  kvplatform::ResourceUpdate update = kvplatform::BeginResourceUpdate(executablePath);
  const std::string group = IconGroupResource(icon.Entries());
  bool written = update && kvplatform::UpdateResourceEntry(update, kResourceTypeGroupIcon, kIconGroupId, group.data(),
                                                           static_cast<std::uint32_t>(group.size()));
  for (std::uint32_t i = 0; written && i < icon.Count(); ++i) {
    written = kvplatform::UpdateResourceEntry(update, kResourceTypeIcon, static_cast<std::uint16_t>(i + 1),
                                              images[i].data(), static_cast<std::uint32_t>(images[i].size()));
  }
  if (!written || !kvplatform::EndResourceUpdate(update, false))
    return Report(BuildStep::Icon, StepOutcome::Failed, executablePath, "the icon resources cannot be written");
  return Report(BuildStep::Icon, StepOutcome::Done, executablePath,
                std::to_string(icon.Count()) + " images from " + iconName);
}

StepReport StampBitmaps(const KVProject& project, const std::string& executablePath) {
  int stamped = 0;
  for (const auto& item : project.Items()) {
    if (item->type != ProjectItemType::Bitmap) continue;
    const std::string path = item->Path();
    const kvplatform::UniqueFile file(kvplatform::OpenFile(path, "rb"));
    std::uint64_t length = 0;
    if (!file || !kvplatform::FileLength(file.get(), length))
      return Report(BuildStep::Bitmaps, StepOutcome::Failed, path, "cannot be read");
    if (length <= kBitmapFileHeaderSize) continue;
    std::string image;
    if (length - kBitmapFileHeaderSize > UINT32_MAX ||
        !kvplatform::ReadAt(file.get(), length, kBitmapFileHeaderSize, length - kBitmapFileHeaderSize, image))
      return Report(BuildStep::Bitmaps, StepOutcome::Failed, path, "cannot be read");
    if (!kvplatform::UpdateSingleResource(executablePath, kResourceTypeBitmap, item->displayName, image.data(),
                                          static_cast<std::uint32_t>(image.size())))
      return Report(BuildStep::Bitmaps, StepOutcome::Failed, executablePath, "bitmap " + item->displayName + " cannot be written");
    ++stamped;
  }
  if (stamped == 0) return Report(BuildStep::Bitmaps, StepOutcome::Skipped, executablePath, "no bitmaps");
  return Report(BuildStep::Bitmaps, StepOutcome::Done, executablePath, std::to_string(stamped) + " bitmaps");
}

}  // namespace kvbuild
