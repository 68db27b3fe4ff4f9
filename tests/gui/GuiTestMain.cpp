// Main of the in-process window tests: the libraries the IDE starts with are started here.
#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>
#include <libxml/parser.h>
#include <Scintilla.h>

int main(int argc, char** argv) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  xmlInitParser();
  Scintilla_RegisterClasses(GetModuleHandleW(nullptr));
  ::testing::InitGoogleTest(&argc, argv);
  const int result = RUN_ALL_TESTS();
  Scintilla_ReleaseResources();
  xmlCleanupParser();
  CoUninitialize();
  return result;
}
