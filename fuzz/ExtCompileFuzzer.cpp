// Compiles arbitrary bytes as a declaration file for every target and checks that the
// compiled block is whole: the size added equals the bytes appended, the block decodes to
// exactly that many bytes, the records agree with FunctionNames, and the targets differ only
// where Windows 64 gives a pointer-sized code.
// Run: kv_fuzz_ext -max_total_time=60 <work folder> fuzz/corpus/ext
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "common/ByteIO.h"
#include "editing/ExtDeclarations.h"
#include "fuzz/ScratchFolder.h"
#include "platform/Platform.h"

namespace {

struct Record {
  std::uint8_t usesCdecl;
  std::uint8_t result;
  std::string name;
  std::string parameters;
};

const std::string& Folder() {
  static const std::string folder = kvfuzz::ScratchFolder("ext").string() + kvplatform::kPathSeparator;
  return folder;
}

void Check(bool condition) {
  if (!condition) std::abort();
}

std::string ReadFile(const std::string& path) {
  std::string bytes;
  FILE* file = kvplatform::OpenFile(path, "rb");
  Check(file != nullptr);
  char chunk[65536];
  for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, file)) > 0;) bytes.append(chunk, n);
  std::fclose(file);
  return bytes;
}

std::vector<Record> CompileAndDecode(std::int32_t target, const std::string& declarations) {
  static const std::string prefix = "PAYLOAD";
  const std::string payloadPath = Folder() + "payload.bin";
  FILE* payload = kvplatform::OpenFile(payloadPath, "w+b");
  Check(payload != nullptr);
  Check(std::fwrite(prefix.data(), 1, prefix.size(), payload) == prefix.size());
  std::uint64_t size = 1;
  Check(kvext::Compile(target, payload, declarations, size));
  const long end = std::ftell(payload);
  std::fclose(payload);

  const std::string bytes = ReadFile(payloadPath);
  Check(bytes.compare(0, prefix.size(), prefix) == 0);
  Check(static_cast<std::uint64_t>(end) == bytes.size());
  Check(size - 1 == bytes.size() - prefix.size());

  kvbytes::ByteReader reader(std::string_view(bytes).substr(prefix.size()));
  std::uint32_t count = 0;
  Check(reader.u32(count));
  std::vector<Record> records;
  for (std::uint32_t i = 0; i < count; ++i) {
    Record record;
    std::uint32_t length = 0;
    std::uint8_t parameters = 0;
    Check(reader.u8(record.usesCdecl) && record.usesCdecl <= 1);
    Check(reader.u8(record.result) && record.result <= kvext::kUInt && record.result != kvext::kPointer);
    Check(reader.u32(length) && reader.text(record.name, length));
    Check(reader.u8(parameters) && reader.text(record.parameters, parameters));
    for (const char code : record.parameters) {
      Check(code > kvext::kVoid && code <= kvext::kUInt && code != kvext::kLong);
    }
    records.push_back(std::move(record));
  }
  Check(reader.remaining() == 0);
  return records;
}

// The 64-bit code may replace the 32-bit one only by the pointer-sized code.
void CheckSameApartFromPointerSize(std::uint8_t code32, std::uint8_t code64) {
  Check(code32 == code64 || (code64 == kvext::kPointerSized &&
                             (code32 == kvext::kInt || code32 == kvext::kLong || code32 == kvext::kUInt)));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string declarations = Folder() + "library.ext";
  FILE* file = kvplatform::OpenFile(declarations, "wb");
  Check(file != nullptr);
  Check(std::fwrite(data, 1, size, file) == size);
  std::fclose(file);

  const std::vector<Record> win64 = CompileAndDecode(1, declarations);
  const std::vector<Record> win32 = CompileAndDecode(3, declarations);
  const std::vector<Record> mac = CompileAndDecode(2, declarations);
  const std::vector<std::string> names = kvext::FunctionNames(declarations);
  Check(win64.size() == names.size() && win32.size() == names.size() && mac.size() == names.size());
  for (std::size_t i = 0; i < names.size(); ++i) {
    Check(win64[i].name == names[i] && win32[i].name == names[i] && mac[i].name == names[i]);
    Check(win32[i].usesCdecl == mac[i].usesCdecl && win32[i].result == mac[i].result &&
          win32[i].parameters == mac[i].parameters);
    Check(win64[i].usesCdecl == win32[i].usesCdecl);
    CheckSameApartFromPointerSize(win32[i].result, win64[i].result);
    Check(win64[i].parameters.size() == win32[i].parameters.size());
    for (std::size_t p = 0; p < win32[i].parameters.size(); ++p) {
      CheckSameApartFromPointerSize(static_cast<std::uint8_t>(win32[i].parameters[p]),
                                    static_cast<std::uint8_t>(win64[i].parameters[p]));
    }
  }
  return 0;
}
