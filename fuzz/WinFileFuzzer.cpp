// Feeds arbitrary bytes to the .win reader as a whole file, as clipboard control lines and as
// menu text. Whatever reads must write, and what is written must read back to the same model
// and write again to the same bytes.
// Run: kv_fuzz_win -max_total_time=60 <work folder> fuzz/corpus/win
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "designer/WinFile.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

void WriteReadsBack(const KVWinFile& model) {
  std::string text;
  Check(model.Write(text).ok);
  KVWinFile back;
  const KVWinResult read = back.Read(text);
  Check(read.ok && read.menuClosed);
  Check(SameContent(model, back));
  Check(model.idInUse == back.idInUse);
  std::string again;
  Check(back.Write(again).ok && again == text);
  KVWinFile normalized = back;
  Check(!normalized.Normalize());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  KVWinFile file;
  const KVWinResult read = file.Read(text);
  if (read.ok) {
    WriteReadsBack(file);
  } else {
    Check(read.line > 0 && !read.message.empty());
    Check(file.controls.empty() && !file.hasMenu);
  }

  // The clipboard and Add Menu paths add to a window that already has ids in use.
  KVWinFile pasted;
  pasted.idInUse.Allocate(100);
  pasted.controls.emplace_back();
  pasted.controls.back().kind = "button";
  pasted.controls.back().name = "b";
  pasted.controls.back().id = 100;
  if (pasted.ReadControlLines(text).ok) WriteReadsBack(pasted);
  KVWinFile menu = pasted;
  if (menu.ReadMenuText(text).ok) WriteReadsBack(menu);
  return 0;
}
