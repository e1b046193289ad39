#pragma once

#include <string>

// The benchmarks' scratch folder.
namespace BenchDir {

// A fresh folder under /tmp made on first use and removed with everything
// in it when the program ends; "/tmp" when it cannot be made.
const std::string& path();

}  // namespace BenchDir
