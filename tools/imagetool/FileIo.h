#pragma once

#include <string>

#include "tools/imagetool/Image.h"

namespace kv::imagetool {

bool readFile(const std::string& path, Bytes& out, std::string& error);

// Writes the whole file or, on failure, removes what was written so a build never picks up
// a truncated image.
bool writeFile(const std::string& path, const Bytes& data, std::string& error);

}  // namespace kv::imagetool
