#include "app/framework/DialogTemplate.h"

static_assert(sizeof(DLGTEMPLATE) + 3 * sizeof(WORD) <= DialogTemplate::kSize, "template does not fit");

DialogTemplate::DialogTemplate(HANDLE heap, DWORD style, DWORD extendedStyle)
    : heap(heap), memory(heap ? HeapAlloc(heap, HEAP_ZERO_MEMORY, kSize) : nullptr) {
  if (!memory) return;
  auto* header = static_cast<DLGTEMPLATE*>(memory);
  header->style = style;
  header->dwExtendedStyle = extendedStyle;
  header->cx = 10;
  header->cy = 10;
  // The zeroed words after the header: no menu, the default dialog class, an empty title.
}

DialogTemplate::~DialogTemplate() {
  if (memory) HeapFree(heap, 0, memory);
}
