// Feeds arbitrary bytes to KVXML as XML text, then reads and edits the document the way the
// project model, the project's tabs and tree layout, and the settings do. Plain child paths,
// which are walked without the XPath engine, must select what the engine selects, and the
// texts and attributes read in place must be the engine's string values.
// Run: kv_fuzz_xml_load -max_total_time=60 <work folder> fuzz/corpus/xml
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "project/ProjectViewState.h"
#include "project/XML.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

void CheckWalkAgreesWithXPath(KVXML& xml, const std::string& path) {
  const std::vector<KVXMLNode> walked = xml.Nodes(path);
  const std::string selection = "(" + path + ")";
  Check(walked.size() == xml.Nodes(selection).size());
  for (std::size_t i = 0; i < walked.size() && i < 8; ++i) {
    const std::string nth = selection + "[" + std::to_string(i + 1) + "]";
    Check(walked[i].Text() == xml.GetString(nth));
    Check(walked[i].Attribute("type") == xml.GetString(nth + "/@type"));
  }
}

}  // namespace

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
  for (const char* path : {"/Project", "/Project/SourceFiles/Name", "/Project/Tabs/Name", "/Project/Tabs/Selected",
                           "/Project/Layout/SourceFiles/Item", "/Settings/RecentProjects/ProjectFile"}) {
    CheckWalkAgreesWithXPath(xml, path);
  }
  ReadSavedTabs(xml);
  ReadLayout(xml);
  xml.GetString("//Project/Tabs/Selected/@type = 1");
  if (!xml.SetString("//Project/pid", "4242")) xml.AddChildNumber("//Project", "pid", 4242);
  xml.SetString("//text()", "a & b < c");
  xml.ReplaceRecentProjects("<RecentProjects><ProjectFile>x</ProjectFile></RecentProjects>");
  xml.GetString("//Settings/RecentProjects/ProjectFile");
  return 0;
}
