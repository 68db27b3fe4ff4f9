// A stand-in for KelVoxStudio.exe: a small PE image whose last section "kvrsrc" holds a
// runtime pack made of the given entries, the runtimes XZ-compressed as the pack tool does.
#pragma once

#include <string>
#include <vector>

namespace kvtest {

std::string Xz(const std::string& data);

// The pack: four (offset, size) slots, then the entries in index order.
std::string Pack(const std::vector<std::string>& entries);

// An executable whose last section, named lastSection, has the pack as its raw data.
std::string IdeWithPack(const std::string& pack, const char* lastSection = "kvrsrc");

}  // namespace kvtest
