#include "tools/runtime-stub/StubReport.h"

#include <cstdint>

#include "common/ByteIO.h"
#include "tools/runtime-stub/PayloadReader.h"
#include "tools/runtime-stub/PeSections.h"

namespace kvstub {

namespace {

constexpr std::uint16_t kIconType = 1;
constexpr std::uint64_t kGroupEntrySize = 14;

// GRPICONDIR: reserved 0, type 1, count, then count 14-byte GRPICONDIRENTRY records.
std::string IconCount(std::string_view group) {
  kvbytes::ByteReader in(group);
  std::uint16_t reserved = 0, type = 0, count = 0;
  if (!in.u16(reserved) || !in.u16(type) || !in.u16(count) || reserved != 0 || type != kIconType ||
      !in.skip(kGroupEntrySize * count)) {
    return "malformed";
  }
  return std::to_string(count);
}

void Fail(StubReport& report, int code, std::string message) {
  report.errors.push_back(std::move(message));
  if (report.exitCode == kExitOk) report.exitCode = code;
}

}  // namespace

StubReport ReportPayload(std::string_view image) {
  StubReport report;
  std::string_view payload;
  switch (FindSection(image, "snapshot", payload)) {
    case SectionLookup::Found: break;
    case SectionLookup::NotFound:
      Fail(report, kExitNoSnapshot, "this executable has no snapshot section: it carries no project");
      return report;
    case SectionLookup::NotAnImage:
      Fail(report, kExitDamaged, "this executable's PE headers cannot be read");
      return report;
    case SectionLookup::OutsideFile:
      Fail(report, kExitDamaged, "the snapshot section runs past the end of the file");
      return report;
  }

  AddPayloadLines(report, payload);
  return report;
}

void AddPayloadLines(StubReport& report, std::string_view payload) {
  std::vector<PayloadEntry> entries;
  std::string error;
  if (!ReadPayloadTables(payload, entries, error)) {
    Fail(report, kExitDamaged, error);
    return;
  }
  for (const PayloadEntry& entry : entries) {
    std::uint32_t crc = 0;
    if (EntryChecksum(payload, entry, crc, error)) {
      report.lines.push_back(ReportLine(entry, crc));
    } else {
      Fail(report, kExitDamaged, error);
    }
  }
}

void AddResourceLines(StubReport& report, const std::string& fileVersion, const std::string& productName,
                      const std::string_view* iconGroup) {
  report.lines.push_back("version " + fileVersion);
  report.lines.push_back("product " + productName);
  report.lines.push_back("icons " + (iconGroup ? IconCount(*iconGroup) : std::string("0")));
}

std::string ReportText(const StubReport& report, std::string_view lineBreak) {
  std::string text;
  for (const std::string& error : report.errors) text.append(error).append(lineBreak);
  for (const std::string& line : report.lines) text.append(line).append(lineBreak);
  return text;
}

}  // namespace kvstub
