// Feeds arbitrary bytes to KVXML as XML text, then reads and edits the document the way the
// project model and the settings do.
// Run: kv_fuzz_xml_load -max_total_time=60 <work folder> fuzz/corpus/xml
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/Platform.h"
#include "project/XML.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  // Load reads a file the text names; only the text itself is of interest here.
  if (kvplatform::CanRead(text)) return 0;
  KVXML xml;
  if (!xml.Load(text)) return 0;

  const int count = xml.Count("//Project/SourceFiles/Name");
  for (int i = 1; i <= count && i <= 8; ++i) {
    xml.GetString("//Project/SourceFiles/Name[" + std::to_string(i) + "]");
  }
  xml.GetString("//Project/Name");
  xml.GetString("count(//*)");
  xml.GetString("//@*");
  xml.GetString("//namespace::*");
  xml.GetTabAttribute(1, "type");
  xml.GetString("//Project/Tabs/Selected/@type = 1");
  if (!xml.SetString("//Project/pid", "4242")) xml.AddChildNumber("//Project", "pid", 4242);
  xml.SetString("//text()", "a & b < c");
  xml.ReplaceRecentProjects("<RecentProjects><ProjectFile>x</ProjectFile></RecentProjects>");
  xml.GetString("//Settings/RecentProjects/ProjectFile");
  return 0;
}
