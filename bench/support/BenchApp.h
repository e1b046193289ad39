#pragma once

#include <functional>

// The entry of the benchmarks that show OpenGL views.
namespace BenchApp {

// Makes OpenGL 3.3 core the default surface format with shared contexts, builds the
// application, calls `ready` (when given), then runs the benchmarks named on the command line.
int runWithGL(int argc, char** argv, const std::function<void()>& ready = {});

}  // namespace BenchApp
